#pragma once

#include "tracepoints.h"
#include "tracesample.h"

#include <chebfilter.h>
#include <resampler.h>

#include <QList>
#include <QVector>

namespace LibModel {

// Turns the raw samples of a trace into its display points: each raw sample
// is resampled to the display rate (when that is above the sensor's rate),
// then each point filtered. The points are handed over in chunks of
// ChunkSamples raw samples, and the state of the whole pipeline at the
// start of each chunk is kept, so that a chunk the points no longer hold
// is made again exactly as it was made first.
class PointPipeline
{
public:
    static constexpr qsizetype ChunkSamples = 128;

    struct State
    {
        LibMisc::Resampler::State resampleX;
        LibMisc::Resampler::State resampleY;
        LibMisc::ChebFilter::State filterX;
        LibMisc::ChebFilter::State filterY;
    };

    // samples: the trace's raw samples, read when a chunk is made again.
    PointPipeline(const QVector<TraceSample> *samples, double cutoff, double maxCutoff);
    PointPipeline(const PointPipeline &) = delete;
    PointPipeline &operator=(const PointPipeline &) = delete;

    // Points made before are not made again with it: start() again.
    void setCutoff(double cutoff);
    // Forgets all processing: the next sample processed is the first, at
    // these rates (no resampling unless displayRate > sampleRate > 0).
    void start(int sampleRate, int displayRate);
    // Processes the raw samples from processed() on into points.
    void process(TracePoints *points);
    qsizetype processed() const { return m_processed; }

    // Makes the points of chunk `chunk` again into *out, leaving the
    // pipeline as it was.
    void remake(qsizetype chunk, QVector<TracePoints::Point> *out);

    // The checkpoints' bytes.
    qsizetype bytes() const { return m_checkpoints.capacity() * qsizetype(sizeof(State)); }

private:
    State state() const;
    void restore(const State &state);
    template<typename Emit>
    void push(const TraceSample &sample, Emit emitPoint);

    const QVector<TraceSample> *m_samples;
    LibMisc::Resampler m_resamplerX;
    LibMisc::Resampler m_resamplerY;
    LibMisc::ChebFilter m_filterX;
    LibMisc::ChebFilter m_filterY;
    bool m_resampling = false;
    qsizetype m_processed = 0;
    QVector<State> m_checkpoints; // one for each chunk, at its first sample
    QList<double> m_resampledX; // scratch buffers of the resamplers
    QList<double> m_resampledY;
};

} // namespace LibModel

Q_DECLARE_TYPEINFO(LibModel::PointPipeline::State, Q_PRIMITIVE_TYPE);
