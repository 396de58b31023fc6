// The tempo that musical times in the script are converted with. The
// timeline being built or played owns one and makes it current; until one
// does, the defaults below apply.
#pragma once

struct MusicTempo {
    // Beats per minute for midi( ) and midilength( ) values.
    float musicBpm = 150.0f;
    // Seconds added to every midi( ) position (not to midilength( )).
    float musicStartTime = 0.0f;

    // Whether musical times can be converted with musicBpm: a finite number
    // above 0. Zero would divide by zero, a negative tempo run the grid
    // backwards, an infinite one put every position at the grid's start.
    bool usableBpm() const;
};

// The current tempo: the one last passed to setCurrentTempo, or a default
// MusicTempo while none is set. Read at the moment a value is converted.
const MusicTempo& currentTempo();

// Makes `tempo` current (not owned; it must outlive its time as current).
// nullptr returns to the defaults. The owner clears it before it goes away.
void setCurrentTempo(const MusicTempo* tempo);
