#pragma once
// One stream at a time in the whole program. Every media engine joins the program's policy when it
// is created; before a member starts playing it claims the policy, and every other member that is
// not idle stops. An engine that must not be cut by the others (and must not cut them), such as
// the recorder's file player, leaves the policy with MediaEngine::setPolicy(nullptr).
//
// Thread contract: UI thread only, like the engines themselves.
#include <QList>

class MediaEngine;

class PlaybackPolicy {
public:
    // The program's policy (one per process).
    static PlaybackPolicy &Program();

    void Join(MediaEngine *engine);
    void Leave(MediaEngine *engine);
    bool IsMember(const MediaEngine *engine) const;
    // Stops every member but player. player need not be a member.
    void Claim(MediaEngine *player);

private:
    QList<MediaEngine *> m_members;
};
