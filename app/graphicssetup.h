#pragma once

#include <QString>

// Chooses how Qt Quick draws before the first window is made. A machine
// whose OpenGL is a software rasteriser (or that has no OpenGL at all)
// draws with Qt Quick's software scene graph, which repaints only the parts
// of the window that changed instead of the whole window every frame. The
// usual Qt environment variables (QT_QUICK_BACKEND, QSG_RHI_BACKEND) still
// decide when they are set.
class GraphicsSetup
{
public:
    enum Choice { LeftToQt, Software };

    // What must be set before the application object is made.
    static void beforeApplication();

    // Decides and applies; call after the application object exists.
    static Choice choose();
    // The OpenGL renderer's name, empty if no context could be made.
    static QString openGlRenderer();
    // Whether a renderer's name is that of a rasteriser running on the CPU.
    static bool isSoftwareRenderer(const QString &renderer);
};
