#include "serie.h"
#include "session.h"

#include <cmath>

namespace LibModel {

Serie::Serie(Session *session, ushort index)
    : QObject(session)
    , m_session(session)
    , m_index(index)
{ }

Serie *Serie::previous() const
{
    return m_index > 0 ? m_session->series().value(m_index - 1) : nullptr;
}

Serie *Serie::next() const
{
    return m_session->series().value(m_index + 1);
}

void Serie::appendShot(Shot *shot)
{
    m_shots.append(shot);
}

void Serie::addResult(double result)
{
    m_result += result;
    m_resultInt += int(std::trunc(result));
    emit resultChanged();
}

} // namespace LibModel
