#include "TimeShift.h"

#include <QtNumeric>
#include <cmath>

namespace timeshift {

qint64 BufferBytes(int minutes, double bytesPerSecond)
{
    if (minutes <= 0)
        return 0;
    const double rate = bytesPerSecond > 0 && qIsFinite(bytesPerSecond) ? bytesPerSecond : ProvisionalBytesPerSecond;
    const double bytes = rate * 60.0 * qMin(minutes, MaxMinutes);
    if (bytes >= double(MaxBufferBytes))
        return MaxBufferBytes;
    return qMax(MinBufferBytes, qint64(std::ceil(bytes)));
}

double CountedRate(qint64 totalBytes, double start, double end)
{
    const double seconds = end - start;
    if (totalBytes <= 0 || !(seconds >= MinMeasuredSeconds) || !qIsFinite(seconds))
        return 0;
    return double(totalBytes) / seconds;
}

double LivePoint(const Window &w) { return qMax(w.start, w.end - qMax(0.0, w.lead)); }

double Delay(const Window &w)
{
    if (w.position < 0)
        return 0;
    return qMax(0.0, LivePoint(w) - w.position);
}

double Behind(const Window &w)
{
    if (w.position < 0)
        return 0;
    return qMax(0.0, w.position - w.start);
}

double SeekTarget(const Window &w, double wanted)
{
    const double live = LivePoint(w);
    const double first = qMin(live, w.start + StartMargin);
    if (!qIsFinite(wanted))
        return wanted > 0 ? live : first;
    return qBound(first, wanted, live);
}

Range KeepRange(const Window &w, double seconds)
{
    if (w.position < 0 || !(seconds > 0))
        return {};
    const double end = Delay(w) < LiveTolerance ? w.end : qMin(w.end, w.position);
    const double start = qMax(w.start, end - seconds);
    if (end <= start)
        return {};
    return {start, end};
}

} // namespace timeshift
