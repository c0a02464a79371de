#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace platform {

// One running program per user and display. The first start listens on a local
// socket; a later start connects to it, asks the first to come to the front, and ends.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket name for this user and display.
    static QString defaultName();

    // True when no other instance answers: this process then serves the name.
    // False when another instance was found and asked to come to the front (and to
    // open `files`, given as absolute paths).
    bool becomePrimary(const QStringList &files = {});
    // Stops answering later starts: called when the window is gone, so that a start
    // meanwhile never hands over to a process that is only finishing (it becomes the
    // primary itself).
    void release();

Q_SIGNALS:
    // Another start asked this instance to show its window.
    void activationRequested();
    // Another start was given these files to open.
    void filesHandedOver(const QStringList &files);

private:
    void acceptConnections();

    QString m_name;
    QLocalServer *m_server = nullptr;
};

} // namespace platform
