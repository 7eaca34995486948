// The text that the camera view lays over a camera's picture: where it points, its lens, its
// modes and the last command it received, in hex.
#pragma once

#include <QStringList>

#include "sim/VirtualCamera.h"

namespace Camsim::View {

QStringList overlayLines(const CameraState& state, const Bytes& lastCommand);

}  // namespace Camsim::View
