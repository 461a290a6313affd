// The program's icon: a quaver on a teal ground, drawn at any size.
#pragma once

#include <QIcon>

namespace tunora {

QIcon AppIcon();

}  // namespace tunora
