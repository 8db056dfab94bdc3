#include "cddb/scancd.h"

namespace {

QString minutesSeconds(qint32 frames)
{
    return QStringLiteral("%1:%2")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg((frames % 4500) / 75, 2, 10, QLatin1Char('0'));
}

int digitSum(qint32 n)
{
    int sum = 0;
    for (const QChar c : QString::number(n))
        if (c.isDigit())
            sum += c.digitValue();
    return sum;
}

} // namespace

QString TScanTrack::LengthText() const
{
    return minutesSeconds(Length);
}

TScanTrack &TScanCD::AddTrack()
{
    m_tracks.push_back(std::make_unique<TScanTrack>());
    return *m_tracks.back();
}

TCddbCD &TScanCD::AddCddbCD()
{
    m_entries.push_back(std::make_unique<TCddbCD>());
    return *m_entries.back();
}

void TScanCD::ClearCddbCDs()
{
    m_entries.clear();
    SelectedCddbCD = -1; // an index into nothing
}

void TScanCD::Reset()
{
    MsDiscId = 0;
    CddbDiscId = 0;
    ClearTracks();
    ClearCddbCDs();
}

void TScanCD::SelectCddbCD(int index)
{
    SelectedCddbCD = index >= 0 && index < CddbCDCount() ? index : -1;
}

TCddbCD *TScanCD::SelectedEntry()
{
    return SelectedCddbCD >= 0 && SelectedCddbCD < CddbCDCount() ? &CddbCD(SelectedCddbCD)
                                                                 : nullptr;
}

qint32 TScanCD::ComputeCddbDiscId()
{
    int sum = 0;
    for (const auto &t : m_tracks)
        sum += digitSum(t->StartSeconds());
    const qint32 total = m_tracks.empty() ? 0 : LeadOutSeconds() - m_tracks.front()->StartSeconds();
    const quint32 id = (quint32(sum % 255) << 24) | (quint32(total) << 8) | quint32(TrackCount());
    CddbDiscId = qint32(id);
    return CddbDiscId;
}

QString TScanCD::DiscLengthText() const
{
    return minutesSeconds(DiscLength);
}

QString TScanCD::CddbDiscIdText() const
{
    return QStringLiteral("%1").arg(quint32(CddbDiscId), 8, 16, QLatin1Char('0'));
}

QString TScanCD::MsDiscIdText() const
{
    return QStringLiteral("%1").arg(quint32(MsDiscId), 8, 16, QLatin1Char('0')).toUpper();
}

qint32 MsDiscIdOf(const std::vector<qint32> &starts, qint32 leadOut)
{
    const auto packed = [](qint32 frames) {
        const quint32 f = quint32(frames);
        return ((f / 4500) << 16) + (((f / 75) % 60) << 8) + f % 75;
    };
    quint32 id = 0;
    for (const qint32 start : starts)
        id += packed(start);
    if (!starts.empty() && starts.size() < 3)
        id += quint32(starts.front()) % 75 + quint32(leadOut - starts.front());
    return qint32(id);
}
