#include "interface/graphics_context.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

namespace sorvant {

namespace {
QPainter* g_current = nullptr;
} // namespace

QPainter* currentPainter()
{
    return g_current;
}

bool isDrawingToScreen(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    if (device && (device->devType() == QInternal::Printer || device->devType() == QInternal::Picture))
        return false;
    const QPaintEngine* engine = painter.paintEngine();
    return !(engine && (engine->type() == QPaintEngine::Pdf || engine->type() == QPaintEngine::Picture));
}

bool currentContextDrawingToScreen()
{
    return g_current ? isDrawingToScreen(*g_current) : true;
}

GraphicsContextScope::GraphicsContextScope(QPainter& painter)
    : m_previous(g_current)
{
    g_current = &painter;
}

GraphicsContextScope::~GraphicsContextScope()
{
    g_current = m_previous;
}

} // namespace sorvant
