#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class TOvPrinter;
struct TOvExtent;

namespace jobs {

// A printer's effective resolution: its dots per inch x 100 / its scale percentage,
// truncated. A scale of 0 raises platform::Error instead of dividing by zero.
struct EffectiveResolution
{
    int x = 0;
    int y = 0;

    friend bool operator==(const EffectiveResolution &, const EffectiveResolution &) = default;
};
EffectiveResolution effectiveResolution(const TOvExtent &dpi, int scalePercent);

// The pages of one print job, drawn one at a time on the printer's page.
class PageSource
{
public:
    virtual ~PageSource() = default;
    virtual int pageCount() const = 0;
    // Checks what can fail before a job opens (a margin that is no number): raises, and
    // no job is opened.
    virtual void prepare(const EffectiveResolution &resolution) const { Q_UNUSED(resolution); }
    // Draws page `index` on the printer's page, in printer dots.
    virtual void drawPage(int index, QPainter &painter, const EffectiveResolution &resolution) const = 0;
};

// One print job on the process's printer: opened, drawn page by page and then sent, or
// aborted. The first page is drawn when the job starts, each further page in a later
// turn of the event loop, so windows stay responsive and a cancel is taken between
// pages: the pages drawn until then are sent, the rest is not printed. Nothing here
// waits in a loop of its own; finished() tells the end once, outcome() how it ended.
class PrintJob : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Running, Sent, Cancelled, Failed };

    PrintJob(TOvPrinter &printer, QString title, std::unique_ptr<PageSource> pages, QObject *parent = nullptr);
    // A job still open (the program ends mid-job) is aborted: nothing half-drawn is sent.
    ~PrintJob() override;

    // Called with the number of pages drawn just before they are sent: what must be on
    // the disk before a slip can come out of the printer (the journal) is written here.
    // When it raises, the job is aborted and nothing is sent.
    void setBeforeSend(std::function<void(int pages)> beforeSend) { m_beforeSend = std::move(beforeSend); }

    void start();
    // Ends the job after the page being drawn; the pages drawn are sent.
    void cancel();

    int pageCount() const;
    int pagesDrawn() const { return m_drawn; }
    // Pages that reached the printer: all drawn ones once sent, none after a failure.
    int pagesSent() const { return m_sent; }
    Outcome outcome() const { return m_outcome; }
    bool isFinished() const { return m_outcome != Outcome::Running; }
    // Why the job failed, as the user is told; empty otherwise.
    const QString &errorText() const { return m_errorText; }
    const QString &title() const { return m_title; }

Q_SIGNALS:
    void progress(int pagesDrawn, int pageCount);
    void finished();

private:
    void drawNextPage();
    void send();
    void abortJob();
    void finish(Outcome outcome, const QString &errorText = QString());

    TOvPrinter &m_printer;
    const QString m_title;
    const std::unique_ptr<PageSource> m_pages;
    std::function<void(int)> m_beforeSend;
    EffectiveResolution m_resolution;
    Outcome m_outcome = Outcome::Running;
    QString m_errorText;
    bool m_started = false;
    bool m_open = false;
    bool m_cancelRequested = false;
    int m_drawn = 0;
    int m_sent = 0;
};

} // namespace jobs
