#pragma once

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

// The fields of a 54-byte sample header, decoded here independently of the
// code under test, at the documented offsets.
struct SampleHeader
{
    bool valid = false; // 54 bytes, payload kind 0, a known header type
    int type = 0;
    int totalLength = 0;
    bool found = false;
    float x = 0.0f;
    float y = 0.0f;
    int shutter = 0;
    int microphone = 0;
    int axisA = 0;
    int axisB = 0;
    int axisC = 0;
    int echo = 0;

    static SampleHeader parse(const QByteArray &bytes)
    {
        SampleHeader header;
        if (bytes.size() != 54 || bytes.at(0) != 0)
            return header;
        const char *p = bytes.constData();
        const auto u16 = [p](int at) { return int(qFromLittleEndian<quint16>(p + at)); };
        const auto f32 = [p](int at) {
            const quint32 bits = qFromLittleEndian<quint32>(p + at);
            float value = 0.0f;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        };
        header.type = quint8(p[1]);
        header.valid = header.type == 2 || header.type == 3 || header.type == 5;
        header.totalLength = u16(2);
        header.found = p[13] != 0;
        header.x = f32(16);
        header.y = f32(20);
        header.shutter = u16(24);
        header.microphone = u16(32);
        header.axisA = u16(42);
        header.axisB = u16(44);
        header.axisC = u16(46);
        header.echo = quint8(p[52]);
        return header;
    }

    // The host's cant: direction of (a, b) plus a quarter turn, in [-pi, pi].
    double cant() const
    {
        double angle = std::atan2(double(axisB - 2048), double(axisA - 2048)) + M_PI / 2;
        while (angle > M_PI)
            angle -= 2 * M_PI;
        return angle;
    }
    double tilt() const { return std::asin(std::clamp((axisC - 2048) / 1000.0, -1.0, 1.0)); }
};
