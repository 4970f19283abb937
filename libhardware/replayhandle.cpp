#include "replayhandle.h"
#include "replaybackend.h"

namespace LibHardware {

ReplayHandle::ReplayHandle(ReplayBackend *backend)
    : m_backend(backend)
{ }

ReplayHandle::~ReplayHandle()
{
    if (m_backend)
        m_backend->release();
}

int ReplayHandle::controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                                  char *data, quint16 length, unsigned)
{
    return m_backend ? m_backend->controlTransfer(requestType, request, value, index, data, length)
                     : -1;
}

bool ReplayHandle::startReading(UsbReadSink *sink)
{
    return m_backend && m_backend->startReading(sink);
}

void ReplayHandle::stopReading()
{
    if (m_backend)
        m_backend->stopReading();
}

bool ReplayHandle::isReading() const
{
    return m_backend && m_backend->isReading();
}

QString ReplayHandle::errorString() const
{
    return m_backend ? QString() : QStringLiteral("the replay backend is gone");
}

} // namespace LibHardware
