#include "graphicssetup.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSGRendererInterface>

#if QT_CONFIG(opengl)
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#endif

Q_LOGGING_CATEGORY(lcGraphics, "kavro.graphics")

namespace {

// The OpenGL renderer's name, empty if no context could be made.
QString openGlRenderer()
{
#if QT_CONFIG(opengl)
    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!context.create() || !surface.isValid() || !context.makeCurrent(&surface))
        return {};
    const auto *name
            = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    const QString renderer = name ? QString::fromLatin1(name) : QString();
    context.doneCurrent();
    return renderer;
#else
    return {};
#endif
}

// Whether a renderer's name is that of a rasteriser running on the CPU.
bool isSoftwareRenderer(const QString &renderer)
{
    // Mesa's rasterisers, Chrome's and Windows' software renderers.
    for (const char *name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SwiftShader",
                             "GDI Generic", "Basic Render Driver"}) {
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

void GraphicsSetup::beforeApplication()
{
#ifdef Q_OS_WIN
    // Windows' own OpenGL drivers are often missing or old: OpenGL ES instead.
    QCoreApplication::setAttribute(Qt::AA_UseOpenGLES);
#endif
}

void GraphicsSetup::choose()
{
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND")
        || qEnvironmentVariableIsSet("QSG_RHI_BACKEND")) {
        qCInfo(lcGraphics, "drawing as the environment says");
        return;
    }
    const QString renderer = openGlRenderer();
    if (!renderer.isEmpty() && !isSoftwareRenderer(renderer)) {
        qCInfo(lcGraphics, "drawing with OpenGL on %s", qPrintable(renderer));
        return;
    }
    qCInfo(lcGraphics, "OpenGL %s: drawing with the software scene graph",
           renderer.isEmpty() ? "is not available" : qPrintable("is " + renderer));
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
