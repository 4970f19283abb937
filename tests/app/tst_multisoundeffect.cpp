#include <multisoundeffect.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QSoundEffect>
#include <QTest>

// Stands in for a sound effect: loads when told to, plays until stopped.
class FakeEffect : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int status READ status NOTIFY statusChanged)
    Q_PROPERTY(bool playing READ playing NOTIFY playingChanged)

public:
    using QObject::QObject;

    int status() const { return m_status; }
    bool playing() const { return m_playing; }
    int plays = 0;

    void setStatus(QSoundEffect::Status status)
    {
        m_status = status;
        emit statusChanged();
    }
    void finish()
    {
        m_playing = false;
        emit playingChanged();
    }

public slots:
    void play()
    {
        ++plays;
        m_playing = true;
        emit playingChanged();
    }

signals:
    void statusChanged();
    void playingChanged();

private:
    int m_status = QSoundEffect::Loading;
    bool m_playing = false;
};

class TestMultiSoundEffect : public QObject
{
    Q_OBJECT

private:
    static QList<FakeEffect *> fakes(const MultiSoundEffect &player)
    {
        QList<FakeEffect *> list;
        for (QObject *copy : player.copies())
            list << qobject_cast<FakeEffect *>(copy);
        return list;
    }
    static int totalPlays(const QList<FakeEffect *> &copies)
    {
        int plays = 0;
        for (const FakeEffect *copy : copies)
            plays += copy->plays;
        return plays;
    }
    static MultiSoundEffect::Factory fakeFactory()
    {
        return [](QObject *parent, const QUrl &) { return new FakeEffect(parent); };
    }

private slots:
    void playBeforeLoadingHappensOnceTheFirstCopyIsReady()
    {
        MultiSoundEffect player(nullptr, QUrl(QStringLiteral("qrc:/sounds/shot.wav")), 5,
                                fakeFactory());
        const auto copies = fakes(player);
        QCOMPARE(copies.size(), 5);

        player.play();
        player.play(); // still one pending play, not two
        QVERIFY(player.isPlayPending());
        QCOMPARE(totalPlays(copies), 0);

        copies[3]->setStatus(QSoundEffect::Ready);
        QCOMPARE(copies[3]->plays, 1);
        QVERIFY(!player.isPlayPending());
        copies[0]->setStatus(QSoundEffect::Ready);
        QCOMPARE(totalPlays(copies), 1);
    }

    void aCopyThatFailsToLoadDoesNotSwallowThePendingPlay()
    {
        MultiSoundEffect player(nullptr, QUrl(), 2, fakeFactory());
        const auto copies = fakes(player);
        player.play();
        copies[0]->setStatus(QSoundEffect::Error);
        QCOMPARE(copies[0]->plays, 0);
        QVERIFY(player.isPlayPending());
        copies[1]->setStatus(QSoundEffect::Ready);
        QCOMPARE(copies[1]->plays, 1);
    }

    void atMostFiveOverlappingPlays()
    {
        MultiSoundEffect player(nullptr, QUrl(), 5, fakeFactory());
        const auto copies = fakes(player);
        for (FakeEffect *copy : copies)
            copy->setStatus(QSoundEffect::Ready);

        for (int i = 0; i < 6; ++i)
            player.play();
        QCOMPARE(totalPlays(copies), 5); // the sixth was dropped
        for (const FakeEffect *copy : copies)
            QCOMPARE(copy->plays, 1);

        // A finished copy is used again, in ready order.
        copies[2]->finish();
        player.play();
        QCOMPARE(copies[2]->plays, 2);
        QCOMPARE(totalPlays(copies), 6);
    }

    void readyOrderDecidesWhichCopyPlays()
    {
        MultiSoundEffect player(nullptr, QUrl(), 3, fakeFactory());
        const auto copies = fakes(player);
        copies[2]->setStatus(QSoundEffect::Ready);
        copies[0]->setStatus(QSoundEffect::Ready);
        player.play();
        QCOMPARE(copies[2]->plays, 1);
        player.play();
        QCOMPARE(copies[0]->plays, 1);
        player.play(); // copy 1 never loaded: dropped
        QCOMPARE(totalPlays(copies), 2);
    }

    void zeroCopiesNeverPlay()
    {
        MultiSoundEffect player(nullptr, QUrl(), 0, fakeFactory());
        QVERIFY(player.copies().isEmpty());
        player.play();
        QVERIFY(player.isPlayPending());
    }

    void realEffectsLoadWithoutASoundDevice()
    {
        // No sound card is needed: the real effect loads the resource and
        // playing it neither blocks nor crashes.
        MultiSoundEffect player(nullptr, QUrl(QStringLiteral("qrc:/sounds/shot.wav")), 2);
        QCOMPARE(player.copies().size(), 2);
        QVERIFY(qobject_cast<QSoundEffect *>(player.copies().first()));
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(!player.isPlayPending()
                                         || player.copies().first()->property("status").toInt()
                                                 == QSoundEffect::Error,
                                 10000);
    }
};

KAVRO_TEST_MAIN(TestMultiSoundEffect, QCoreApplication)
#include "tst_multisoundeffect.moc"
