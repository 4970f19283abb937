#pragma once

#include <QApplication>

class SingleApplicationPrivate;

// The application object with a per-user single-instance guard. The first
// start of a user's copy of the program becomes the primary instance and
// listens on a local socket; a later start of the same copy tells the primary
// that it was started (the primary emits instanceStarted()) and then ends
// with exit code 0 from inside the constructor.
class SingleApplication : public QApplication
{
    Q_OBJECT

public:
    enum Mode { User = 0x1, System = 0x2 };

    SingleApplication(int &argc, char **argv, bool allowSecondary = false, Mode mode = User,
                      int timeout = 100);
    ~SingleApplication() override;

    bool isPrimary() const;
    quint32 instanceId() const;
    // The key that names the shared block and the local server of this copy.
    QString instanceKey() const;

    // Sends a message to the primary instance. Returns false at once in the
    // primary itself.
    bool sendToPrimary(const QByteArray &message, int timeout = 100);

signals:
    void instanceStarted();
    void receivedMessage(quint32 instanceId, QByteArray message);

private:
    SingleApplicationPrivate *d;
    friend class SingleApplicationPrivate;
};
