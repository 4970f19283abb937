#include "pointpipeline.h"

#include <cmath>

namespace LibModel {

namespace {
constexpr double FilterRipple = 0.5;
constexpr int FilterPoles = 2;
} // namespace

PointPipeline::PointPipeline(const QVector<TraceSample> *samples, double cutoff, double maxCutoff)
    : m_samples(samples)
    , m_resamplerX(nullptr, 1.0, 1.0)
    , m_resamplerY(nullptr, 1.0, 1.0)
    , m_filterX(nullptr, LibMisc::ChebFilter::LowPass, maxCutoff, FilterRipple, FilterPoles)
    , m_filterY(nullptr, LibMisc::ChebFilter::LowPass, maxCutoff, FilterRipple, FilterPoles)
{
    setCutoff(cutoff);
}

void PointPipeline::setCutoff(double cutoff)
{
    m_filterX.setCutoffFrequency(cutoff);
    m_filterY.setCutoffFrequency(cutoff);
}

void PointPipeline::start(int sampleRate, int displayRate)
{
    m_resampling = sampleRate > 0 && displayRate > sampleRate;
    if (m_resampling) {
        const double output = 1000.0 / displayRate;
        const double input = 1000.0 / sampleRate;
        m_resamplerX.reset(output, input);
        m_resamplerY.reset(output, input);
    }
    m_filterX.reset();
    m_filterY.reset();
    m_processed = 0;
    m_checkpoints.clear();
}

PointPipeline::State PointPipeline::state() const
{
    return State {m_resamplerX.state(), m_resamplerY.state(), m_filterX.state(), m_filterY.state()};
}

void PointPipeline::restore(const State &state)
{
    m_resamplerX.restore(state.resampleX);
    m_resamplerY.restore(state.resampleY);
    m_filterX.restore(state.filterX);
    m_filterY.restore(state.filterY);
}

template<typename Emit>
void PointPipeline::push(const TraceSample &sample, Emit emitPoint)
{
    // The filters never see a gap in the aiming: a NaN stays a NaN point.
    const auto point = [&](double x, double y) {
        if (std::isnan(x) || std::isnan(y))
            emitPoint(qQNaN(), qQNaN());
        else
            emitPoint(m_filterX.filter(x), m_filterY.filter(y));
    };
    if (!m_resampling) {
        point(sample.x, sample.y);
        return;
    }
    m_resampledX.clear();
    m_resampledY.clear();
    m_resamplerX.push(sample.x, m_resampledX);
    m_resamplerY.push(sample.y, m_resampledY);
    const qsizetype n = qMin(m_resampledX.size(), m_resampledY.size());
    for (qsizetype k = 0; k < n; ++k)
        point(m_resampledX.at(k), m_resampledY.at(k));
}

void PointPipeline::process(TracePoints *points)
{
    const qsizetype end = m_samples->size();
    const auto append = [points](double x, double y) { points->append(x, y); };
    for (; m_processed < end; ++m_processed) {
        if (m_processed % ChunkSamples == 0) {
            m_checkpoints.append(state());
            points->beginChunk();
        }
        push(m_samples->at(m_processed), append);
    }
}

void PointPipeline::remake(qsizetype chunk, QVector<TracePoints::Point> *out)
{
    out->clear();
    if (chunk < 0 || chunk >= m_checkpoints.size())
        return;
    const State now = state();
    restore(m_checkpoints.at(chunk));
    const qsizetype end = qMin((chunk + 1) * ChunkSamples, m_processed);
    const auto append = [out](double x, double y) {
        out->append(TracePoints::Point {float(x), float(y)});
    };
    for (qsizetype i = chunk * ChunkSamples; i < end; ++i)
        push(m_samples->at(i), append);
    restore(now);
}

} // namespace LibModel
