#pragma once

#include "db/ReadResult.h"

#include <QObject>
#include <chrono>
#include <optional>

class TFormFBDB;

// When the memo screens, which share the one connection, may try to connect
// again after they lost it.
//
// A failure that came at once (the server refused the connection, or had
// ended it) leaves the next try free: trying costs nothing. After a call that
// waited for the server half the wait limit or more (the server, or the way
// to it, answers nothing), every try may block the window up to the limit, so:
// - a member's action tries again only after MemberPause, so that clicks
//   queued while the window was blocked, and the rest of the action that
//   met the silence, end at once instead of waiting once more each;
// - a refresh tries again only after a pause of three wait limits, doubled
//   after each further such failure up to twelve, so that the window is
//   blocked at most a quarter of the time at first and ever less after, and
//   never while the member acts (see MemberActivity).
class ReconnectPacing {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds MemberPause{3000};
    static constexpr int FirstPauseLimits = 3;
    static constexpr int LongestPauseLimits = 12;

    // The one pacing of the process.
    static ReconnectPacing& shared();

    // Whether a try may start now, for the member or for a refresh (which
    // after a silent server also waits while the member acts).
    bool mayTry(Clock::time_point now, bool memberAsked, bool memberActing) const;
    // A connection or a call that failed for want of a connection after
    // waiting that long, with this wait limit.
    void failed(Clock::time_point now, Clock::duration waited, std::chrono::milliseconds waitLimit);
    void succeeded();
    // A call on the connection that started at start and has just ended with
    // failure (nothing when it went well): a success frees the next try, a
    // lost connection counts as failed.
    void called(Clock::time_point start, std::optional<DbFailure> failure,
                std::chrono::milliseconds waitLimit);

private:
    Clock::time_point silentAt_{}; // the end of the last call that met a silent server
    Clock::duration pause_{};      // the refreshes' pause after it; zero: none
};

// Connects db with the current settings unless it is connected, as the
// shared pacing allows (see mayTry), and tells the pacing how it went.
bool ConnectPaced(TFormFBDB& db, bool memberAsked);

// Whether the member is acting: a dialog or message box is open (other than a
// memo screen shown modally), or a key, a button or the wheel was used in the
// last two seconds.
namespace MemberActivity {

inline constexpr std::chrono::milliseconds QuietTime{2000};

// Starts watching the application's input (once; acting() starts it too).
void watch();
bool acting();

} // namespace MemberActivity
