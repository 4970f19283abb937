#include "multisoundeffect.h"

#include <QSoundEffect>
#include <QVariant>

MultiSoundEffect::MultiSoundEffect(QObject *parent, const QUrl &source, quint8 copies,
                                   const Factory &factory)
    : QObject(parent)
    , m_source(source)
{
    const Factory create = factory ? factory : Factory(&MultiSoundEffect::createSoundEffect);
    for (int i = 0; i < copies; ++i) {
        QObject *copy = create(this, source);
        connect(copy, SIGNAL(statusChanged()), this, SLOT(onStatusChanged()));
        m_copies.append(copy);
        // A copy may have finished loading before we were connected.
        if (isReady(copy))
            m_ready.append(copy);
    }
}

QObject *MultiSoundEffect::createSoundEffect(QObject *parent, const QUrl &source)
{
    auto *effect = new QSoundEffect(parent);
    effect->setSource(source);
    return effect;
}

void MultiSoundEffect::play()
{
    if (m_ready.isEmpty()) {
        m_pendingPlay = true;
        return;
    }
    for (QObject *copy : std::as_const(m_ready)) {
        if (!isPlaying(copy) && isReady(copy)) {
            playCopy(copy);
            return;
        }
    }
    // Every copy is busy: this request is dropped.
}

void MultiSoundEffect::onStatusChanged()
{
    QObject *copy = sender();
    if (!copy)
        return;
    if (isReady(copy) && !m_ready.contains(copy))
        m_ready.append(copy);
    if (m_pendingPlay && isReady(copy)) {
        m_pendingPlay = false;
        playCopy(copy);
    }
}

bool MultiSoundEffect::isReady(const QObject *copy)
{
    return copy->property("status").toInt() == QSoundEffect::Ready;
}

bool MultiSoundEffect::isPlaying(const QObject *copy)
{
    return copy->property("playing").toBool();
}

void MultiSoundEffect::playCopy(QObject *copy)
{
    QMetaObject::invokeMethod(copy, "play");
}
