#include "PlaybackPolicy.h"

#include "MediaEngine.h"

PlaybackPolicy &PlaybackPolicy::Program()
{
    static PlaybackPolicy policy;
    return policy;
}

void PlaybackPolicy::Join(MediaEngine *engine)
{
    if (engine && !m_members.contains(engine))
        m_members.append(engine);
}

void PlaybackPolicy::Leave(MediaEngine *engine) { m_members.removeAll(engine); }

bool PlaybackPolicy::IsMember(const MediaEngine *engine) const
{
    return m_members.contains(const_cast<MediaEngine *>(engine));
}

void PlaybackPolicy::Claim(MediaEngine *player)
{
    // A member may leave while another stops (its owner reacting to the state change): work on a copy.
    const QList<MediaEngine *> members = m_members;
    for (MediaEngine *other : members)
        if (other != player && m_members.contains(other) && other->state() != MediaEngine::State::Idle)
            other->stop();
}
