#pragma once

#include <QtGlobal>

#include <limits>

namespace LibModel {

// One raw sample of an aiming trace: the aiming point in target millimetres,
// the weapon's cant angle (radians) and a trigger reading (-1: none).
struct TraceSample
{
    float x = std::numeric_limits<float>::quiet_NaN();
    float y = std::numeric_limits<float>::quiet_NaN();
    float z = std::numeric_limits<float>::quiet_NaN();
    qint32 trigger = -1;
};

} // namespace LibModel

Q_DECLARE_TYPEINFO(LibModel::TraceSample, Q_PRIMITIVE_TYPE);
