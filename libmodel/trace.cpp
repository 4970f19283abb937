#include "trace.h"
#include "pointpipeline.h"
#include "recordcodec.h"
#include "scorecalculator.h"
#include "serie.h"
#include "session.h"
#include "shot.h"
#include "targetdescriptor.h"

#include <cmath>

namespace LibModel {

Trace::Trace(Session *session, qint64 timer, double filterCutoff)
    : QObject(session)
    , m_session(session)
    , m_pipeline(
              std::make_unique<PointPipeline>(&m_samples, filterCutoff, Session::MaxFilterCutoff))
    , m_timerStart(timer)
    , m_timerEnd(timer)
{
    m_points.setPipeline(m_pipeline.get());
}

Trace::~Trace() = default;

void Trace::setDirty(bool dirty)
{
    if (m_isDirty == dirty)
        return;
    m_isDirty = dirty;
    emit isDirtyChanged();
}

qint64 Trace::samplesToMsecs(qint64 samples) const
{
    const int rate = m_session->sampleRate();
    return rate > 0 ? samples * 1000 / rate : 0;
}

void Trace::appendSample(qint64 timer, const TraceSample &sample)
{
    if (m_id != 0)
        m_isDirty = true;
    if (m_timerStart == -1) {
        m_timerStart = timer;
        emit timerStartChanged();
    }
    const bool firstTrigger
            = qint16(sample.trigger & 0xFFFF) >= 0 && !m_session->isTriggerDataAvailable();
    if (firstTrigger)
        m_session->markTriggerDataAvailable();
    samples(); // decodes samples taken as a blob before one is added
    m_samples.append(sample);
    m_encodedSamples.clear();
    m_timerEnd = m_timerStart + samplesToMsecs(m_samples.size());
    if (firstTrigger)
        emit m_session->isTriggerDataAvailableChanged();
    emit samplesChanged();
}

void Trace::setSamples(const QVector<TraceSample> &samples, const QByteArray &encoded)
{
    m_samples = samples;
    m_encodedSamples = encoded;
    m_encodedCount = -1;
    m_timerEnd = m_timerStart + samplesToMsecs(m_samples.size());
    reprocess();
}

void Trace::setEncodedSamples(const QByteArray &encoded, int count)
{
    m_samples.clear();
    m_encodedSamples = encoded;
    m_encodedCount = qMax(0, count);
    m_timerEnd = m_timerStart + samplesToMsecs(m_encodedCount);
    reprocess();
}

const QVector<TraceSample> &Trace::samples() const
{
    if (m_encodedCount >= 0) {
        // The blob's checksum was checked when it was taken: a blob that
        // still does not decode leaves the trace without samples.
        if (!RecordCodec::decodeSamples(m_encodedSamples, &m_samples)
            || m_samples.size() != m_encodedCount) {
            qWarning("trace samples do not decode; the trace is left empty");
            m_samples.clear();
            m_encodedSamples.clear();
        }
        m_encodedCount = -1;
    }
    return m_samples;
}

QByteArray Trace::encodedSamples() const
{
    if (m_encodedSamples.isEmpty())
        m_encodedSamples = RecordCodec::encodeSamples(samples());
    return m_encodedSamples;
}

void Trace::processPending()
{
    const qsizetype processed = m_pipeline->processed();
    if (processed == count())
        return;
    samples(); // decodes samples taken as a blob
    if (processed == 0) {
        // From the first sample: at the session's rates now.
        m_points.clear();
        m_pipeline->start(m_session->sampleRate(), m_session->storedResampleRate());
    }
    m_pipeline->process(&m_points);
}

const TracePoints &Trace::points()
{
    processPending();
    return m_points;
}

void Trace::reprocess()
{
    m_points.clear();
    m_pipeline->start(m_session->sampleRate(), m_session->storedResampleRate());
    emit pointsRemade();
    emit samplesChanged();
}

void Trace::setFilterCutoff(double cutoff)
{
    m_pipeline->setCutoff(cutoff);
    reprocess();
}

double Trace::windowedMeanScore(int e, int n)
{
    if (n <= 0)
        return 0.0;
    const TargetDescriptor *target = m_session->targetDescriptor();
    const ScoreCalculator *calculator = target ? target->scoreCalculator() : nullptr;
    if (!calculator)
        return 0.0;
    const qint64 step = m_session->resampleRate() / n;
    if (step <= 0)
        return 0.0;
    const TracePoints &processed = points();
    const qint64 begin = qMax<qint64>(0, step * (qint64(e) - n));
    const qint64 end = qMin<qint64>(processed.size(), step * qint64(e));
    const double caliber = m_session->caliber();
    double sum = 0.0;
    for (qint64 i = begin; i < end; i += step) {
        const QPointF point = processed.at(i);
        if (!std::isnan(point.x()))
            sum += calculator->calc(point, caliber);
    }
    return sum / n;
}

Shot *Trace::appendShot(ushort serieIndex, int offset, bool missed, double phase)
{
    return addShot(serieIndex, offset, missed, phase, nullptr);
}

Shot *Trace::appendShot(ushort serieIndex, int offset, bool missed, double phase,
                        const QPointF &breach)
{
    return addShot(serieIndex, offset, missed, phase, &breach);
}

Shot *Trace::addShot(ushort serieIndex, int offset, bool missed, double phase,
                     const QPointF *breach)
{
    if (offset < 0)
        offset = count() - 1;
    if (offset < 0)
        return nullptr; // no sample to shoot at
    auto *shot = new Shot(this, serieIndex, offset, missed, phase);
    if (breach)
        shot->setBreach(*breach);
    shot->setTimer(m_timerStart + samplesToMsecs(offset));

    bool seriesCreated = false;
    Serie *serie = m_session->ensureSerie(serieIndex, &seriesCreated);
    m_shots.append(shot);
    serie->appendShot(shot);
    const double result = shot->result();
    if (!std::isnan(result))
        serie->addResult(result);
    m_session->registerShot(shot, result);

    emit shotsChanged();
    if (seriesCreated)
        emit m_session->seriesChanged();
    emit serie->shotsChanged();
    emit m_session->shotsChanged();
    return shot;
}

} // namespace LibModel
