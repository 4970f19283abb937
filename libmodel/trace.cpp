#include "trace.h"
#include "recordcodec.h"
#include "scorecalculator.h"
#include "serie.h"
#include "session.h"
#include "shot.h"
#include "targetdescriptor.h"

#include <chebfilter.h>
#include <resampler.h>

#include <cmath>

namespace LibModel {

namespace {
constexpr double FilterRipple = 0.5;
constexpr int FilterPoles = 2;
} // namespace

Trace::Trace(Session *session, qint64 timer, double filterCutoff)
    : QObject(session)
    , m_session(session)
    , m_filterX(new LibMisc::ChebFilter(this, LibMisc::ChebFilter::LowPass,
                                        Session::MaxFilterCutoff, FilterRipple, FilterPoles))
    , m_filterY(new LibMisc::ChebFilter(this, LibMisc::ChebFilter::LowPass,
                                        Session::MaxFilterCutoff, FilterRipple, FilterPoles))
    , m_timerStart(timer)
    , m_timerEnd(timer)
{
    m_filterX->setCutoffFrequency(filterCutoff);
    m_filterY->setCutoffFrequency(filterCutoff);
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
    ++m_unprocessed;
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

bool Trace::resampling() const
{
    return m_session->sampleRate() > 0 && m_session->storedResampleRate() > m_session->sampleRate();
}

void Trace::appendPoint(double x, double y)
{
    // The filters never see a gap in the aiming: a NaN stays a NaN point.
    if (std::isnan(x) || std::isnan(y))
        m_points.append(qQNaN(), qQNaN());
    else
        m_points.append(m_filterX->filter(x), m_filterY->filter(y));
}

void Trace::processPending()
{
    if (m_unprocessed <= 0)
        return;
    m_unprocessed = qMin(m_unprocessed, int(samples().size()));
    const qsizetype first = m_samples.size() - m_unprocessed;
    const double ratio = resampling()
            ? double(m_session->storedResampleRate()) / m_session->sampleRate()
            : 1.0;
    // A large batch (a re-run or a session read back) gets exactly its room;
    // recording relies on the vector's own growth.
    if (m_unprocessed > 1024)
        m_points.reserveMore(qsizetype(std::ceil(m_unprocessed * ratio)) + 1);
    if (resampling()) {
        if (!m_resamplerX) {
            const double output = 1000.0 / m_session->storedResampleRate();
            const double input = 1000.0 / m_session->sampleRate();
            m_resamplerX = new LibMisc::Resampler(this, output, input);
            m_resamplerY = new LibMisc::Resampler(this, output, input);
        }
        for (qsizetype i = first; i < m_samples.size(); ++i) {
            m_resampledX.clear();
            m_resampledY.clear();
            m_resamplerX->push(m_samples.at(i).x, m_resampledX);
            m_resamplerY->push(m_samples.at(i).y, m_resampledY);
            const qsizetype n = qMin(m_resampledX.size(), m_resampledY.size());
            for (qsizetype k = 0; k < n; ++k)
                appendPoint(m_resampledX.at(k), m_resampledY.at(k));
        }
    } else {
        for (qsizetype i = first; i < m_samples.size(); ++i)
            appendPoint(m_samples.at(i).x, m_samples.at(i).y);
    }
    m_unprocessed = 0;
}

const TracePoints &Trace::points()
{
    processPending();
    return m_points;
}

void Trace::reprocess()
{
    m_points.clear();
    m_filterX->reset();
    m_filterY->reset();
    if (m_resamplerX && m_session->sampleRate() > 0 && m_session->storedResampleRate() > 0) {
        const double output = 1000.0 / m_session->storedResampleRate();
        const double input = 1000.0 / m_session->sampleRate();
        m_resamplerX->reset(output, input);
        m_resamplerY->reset(output, input);
    }
    m_unprocessed = count();
    emit samplesChanged();
}

void Trace::setFilterCutoff(double cutoff)
{
    m_filterX->setCutoffFrequency(cutoff);
    m_filterY->setCutoffFrequency(cutoff);
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
