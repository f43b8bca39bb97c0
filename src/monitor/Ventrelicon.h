// Ventrel's icon, painted at whatever size is asked for: the window's and
// the tray's. The desktop's copy of the same picture is
// resources/ventrel.svg; drawing it here spares the program an SVG renderer
// and the image plugins that reading a file would load.
#pragma once

#include <QIcon>

QIcon VentrelIcon();
