#pragma once

#include "usbhandle.h"

#include <QPointer>

namespace LibHardware {

class ReplayBackend;

// A handle on the replayed device of a ReplayBackend. The backend answers
// the transfers and runs the replay; the handle forwards to it while both
// live and releases the device when destroyed. Its reads come already
// framed as stream records, as they were recorded.
class ReplayHandle : public UsbHandle
{
public:
    explicit ReplayHandle(ReplayBackend *backend);
    ~ReplayHandle() override;

    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length, unsigned timeout = ControlTimeout) override;
    bool startReading(UsbReadSink *sink) override;
    void stopReading() override;
    bool isReading() const override;
    bool deliversFramedRecords() const override { return true; }
    QString errorString() const override;

private:
    QPointer<ReplayBackend> m_backend;
};

} // namespace LibHardware
