#pragma once

#include <QByteArray>
#include <QMetaType>

namespace LibMisc {

// The bytes of one USB read: implicitly shared, so handing a read from the
// reader thread to the GUI thread copies no data.
using ByteVector = QByteArray;

} // namespace LibMisc
