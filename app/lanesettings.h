#pragma once

#include <QString>
#include <QtGlobal>

// What a lane keeps between runs: the serial number of the sensor bound to
// it ("range<lane>/device") and, per sensor, the microphone threshold and
// mode it was last given ("device_<serial>/microphoneThreshold" and
// "device_<serial>/microphoneMode").
class LaneSettings
{
public:
    static constexpr quint16 DefaultThreshold = 15;
    static constexpr quint16 MaxThreshold = 4096;

    struct Microphone
    {
        quint16 threshold = DefaultThreshold;
        bool ultraSensitive = false;
    };

    // The serial number stored for the lane; false when none is stored.
    static bool storedDevice(int lane, QString *serial);
    static void storeDevice(int lane, const QString &serial);

    // A sensor's microphone as stored under its serial number, written in
    // upper case and read there first, then under the serial as given; a
    // threshold out of range reads as the default.
    static Microphone storedMicrophone(const QString &serial);
    static void storeThreshold(const QString &serial, quint16 threshold);
    static void storeUltraSensitive(const QString &serial, bool ultraSensitive);
};
