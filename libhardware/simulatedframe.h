#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace LibHardware {

struct SimulatedScene;

// The bytes the simulated sensor sends: one 54-byte sample header per
// camera frame, showing the simulated shooter's aim, the weapon's cant and
// tilt, the microphone (background noise, a shot when the scene has one)
// and now and then a target lost for a few frames; and the payloads that
// mark the stream's start and stop.
class SimulatedFrame
{
public:
    static constexpr int HeaderSize = 54;

    // The sample header of frame `index` (0-based) of a scene.
    static QByteArray render(const SimulatedScene &scene, qint64 index);
    static QByteArray startMarker();
    static QByteArray stopMarker();
};

} // namespace LibHardware
