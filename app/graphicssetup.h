#pragma once

// Chooses how Qt Quick draws before the first window is made. A machine
// whose OpenGL is a software rasteriser (or that has no OpenGL at all)
// draws with Qt Quick's software scene graph, which repaints only the parts
// of the window that changed instead of the whole window every frame. The
// usual Qt environment variables (QT_QUICK_BACKEND, QSG_RHI_BACKEND) still
// decide when they are set.
class GraphicsSetup
{
public:
    // What must be set before the application object is made.
    static void beforeApplication();

    // Decides and applies; call after the application object exists.
    static void choose();
};
