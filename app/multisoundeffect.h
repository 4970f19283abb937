#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

// Plays one sound with up to N overlapping copies. A play requested before any
// copy has loaded is remembered and happens as soon as the first copy is
// ready; a play while every copy is busy is dropped.
//
// A copy is any object with the sound effect's interface: the properties
// "status" (ready = 2) and "playing", the slot play() and the signal
// statusChanged(). The default factory makes QSoundEffect objects; tests pass
// their own.
class MultiSoundEffect : public QObject
{
    Q_OBJECT

public:
    using Factory = std::function<QObject *(QObject *parent, const QUrl &source)>;

    MultiSoundEffect(QObject *parent, const QUrl &source, quint8 copies,
                     const Factory &factory = Factory());

    QUrl source() const { return m_source; }
    QList<QObject *> copies() const { return m_copies; }
    bool isPlayPending() const { return m_pendingPlay; }

    static QObject *createSoundEffect(QObject *parent, const QUrl &source);

public slots:
    void play();
    void onStatusChanged();

private:
    static bool isReady(const QObject *copy);
    static bool isPlaying(const QObject *copy);
    static void playCopy(QObject *copy);

    QUrl m_source;
    QList<QObject *> m_copies;
    QList<QObject *> m_ready;
    bool m_pendingPlay = false;
};
