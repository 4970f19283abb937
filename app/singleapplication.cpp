#include "singleapplication.h"
#include "singleapplicationprivate.h"

#include <QLocalSocket>

#include <cstdio>
#include <cstdlib>

SingleApplication::SingleApplication(int &argc, char **argv, bool allowSecondary, Mode mode,
                                     int timeout)
    : QApplication(argc, argv)
    , d(new SingleApplicationPrivate(this, mode == User, timeout))
{
    // Secondary instances are not supported: a second start only notifies.
    Q_UNUSED(allowSecondary);
    if (!d->startGuard()) {
        std::fflush(nullptr);
        std::exit(EXIT_SUCCESS);
    }
}

SingleApplication::~SingleApplication()
{
    delete d;
}

bool SingleApplication::isPrimary() const
{
    return d->primary;
}

quint32 SingleApplication::instanceId() const
{
    return d->instanceNumber;
}

QString SingleApplication::instanceKey() const
{
    return d->key;
}

bool SingleApplication::sendToPrimary(const QByteArray &message, int timeout)
{
    if (d->primary)
        return false;
    if (!d->connectToPrimary(timeout, SingleApplicationPrivate::Reconnect))
        return false;
    d->socket->write(message);
    const bool flushed = d->socket->flush();
    d->socket->waitForBytesWritten(timeout);
    return flushed;
}
