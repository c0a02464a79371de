#pragma once

#include "orders/order.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>

namespace database {
class Connection;
}

namespace orders {

// What a station does to orders of the book.
enum class OrderAction {
    Claim,        // takes new orders for this station's print job
    MarkPrinted,  // the job with their slips was sent
    Release,      // the job, or some of its pages, was not sent: its claim is given back
    SetAside,     // 「保留にする」
    BackToNew,    // 「未印刷に戻す」
    ToClickPost,  // written to a Click Post bulk file
};

// Whose claim an order being printed must be for a transition to apply to it.
enum class Claimant {
    Anyone,    // any station's (and any order that is not claimed)
    ThisJob,   // only the print job that holds the claim, by its token
    OldClaim,  // any station's claim older than kClaimAgeLimit, or younger ones once a
               // person confirmed that no slip came out (TransitionContext::noSlipCameOut)
};

// A claim younger than this may belong to a job still printing on its station.
inline constexpr qint64 kClaimAgeLimitMs = 10 * 60 * 1000;

struct OrderTransition
{
    OrderState from;
    OrderAction action;
    Claimant claimant;
    OrderState to;
};

// Every transition there is. An action on an order in a state not listed for it leaves
// the order as it is: that is how two stations acting on the same orders at once stay
// apart (the state is checked in the statement that changes it).
inline constexpr std::array kOrderTransitions{
    OrderTransition{OrderState::New, OrderAction::Claim, Claimant::Anyone, OrderState::Printing},
    // A slip that came out of the printer is printed, whoever holds its order now: the
    // order opened into the main window (F11), set aside meanwhile, or given back by a
    // person and claimed again by another station.
    OrderTransition{OrderState::New, OrderAction::MarkPrinted, Claimant::Anyone, OrderState::Printed},
    OrderTransition{OrderState::Printing, OrderAction::MarkPrinted, Claimant::Anyone, OrderState::Printed},
    OrderTransition{OrderState::SetAside, OrderAction::MarkPrinted, Claimant::Anyone, OrderState::Printed},
    OrderTransition{OrderState::Printing, OrderAction::Release, Claimant::ThisJob, OrderState::New},
    OrderTransition{OrderState::New, OrderAction::SetAside, Claimant::Anyone, OrderState::SetAside},
    OrderTransition{OrderState::SetAside, OrderAction::BackToNew, Claimant::Anyone, OrderState::New},
    // A claim left behind by a station that stopped half-way: a person saw that its
    // slip did not come out.
    OrderTransition{OrderState::Printing, OrderAction::BackToNew, Claimant::OldClaim, OrderState::New},
    // A slip spoiled in the printer, to be printed again.
    OrderTransition{OrderState::Printed, OrderAction::BackToNew, Claimant::Anyone, OrderState::New},
    // Only unprinted orders go out as Click Post; an order exported by mistake is given
    // back with 「未印刷に戻す」.
    OrderTransition{OrderState::New, OrderAction::ToClickPost, Claimant::Anyone, OrderState::ClickPost},
    OrderTransition{OrderState::ClickPost, OrderAction::BackToNew, Claimant::Anyone, OrderState::New},
};

// The state an action leads to; every action has exactly one.
constexpr OrderState targetState(OrderAction action)
{
    for (const OrderTransition &t : kOrderTransitions) {
        if (t.action == action)
            return t.to;
    }
    return OrderState::New;
}

// Whether `action` changes an order in `from`; `ownClaim` tells whether the order's
// claim is held by the acting print job. A young claim (OldClaim) also needs the
// person's word, which the statement checks against the claim's time.
constexpr bool isAllowed(OrderState from, OrderAction action, bool ownClaim)
{
    return std::any_of(kOrderTransitions.begin(), kOrderTransitions.end(), [&](const OrderTransition &t) {
        return t.from == from && t.action == action && (t.claimant != Claimant::ThisJob || ownClaim);
    });
}

// Who acts, and what the state reached records.
struct TransitionContext
{
    QString station;   // the acting station; empty: this one (Connection::stationName())
    QString token;     // the print job's claim: written by Claim, required by Release
    QDateTime at;      // when claimed or printed; invalid: now
    QString printer;   // MarkPrinted: the printer the slips went to
    // BackToNew: a person confirmed that no slip of these orders came out, so claims
    // younger than kClaimAgeLimitMs are given back too.
    bool noSlipCameOut = false;

    // The print job `token` of `station` (this one when empty): Claim and Release.
    static TransitionContext job(const QString &token, const QString &station = {})
    {
        return {station, token, {}, {}};
    }
    // Slips sent to `printer` from `station` at `at`: MarkPrinted.
    static TransitionContext printed(const QString &station, const QDateTime &at, const QString &printer)
    {
        return {station, {}, at, printer};
    }
    // 「未印刷に戻す」 after the person confirmed that no slip came out.
    static TransitionContext confirmedNotPrinted()
    {
        TransitionContext context;
        context.noSlipCameOut = true;
        return context;
    }
};

// Applies `action` to those of `ids` the table allows from their present state, in
// one statement per chunk that checks the state (and the claim) in its WHERE clause,
// inside the caller's transaction when there is one. The state reached decides the
// other columns: a claim (token, time, station) while printing, the time, printer and
// station once printed, none for new or set aside. Announces the change to the other
// stations when any order changed. Returns the ids changed, in the order given.
// Raises database::DatabaseError.
QList<qint64> applyTransition(database::Connection &connection, const QList<qint64> &ids, OrderAction action,
                              const TransitionContext &context = {});

// A token that tells one print job's claims from every other.
QString newClaimToken();

} // namespace orders
