#pragma once
// The notify codes a media device's Done carries, numbered as the Windows media control
// numbers them. A device here reports only NotifySuccessful, when a play has run to its
// end (a play cut short reports nothing at all). The others are the control's codes for a
// play that another command took over, that was stopped, or that failed: a handler of
// Done takes them, and any other number, for no end at all.
// (Plain C++: the music's order, which lives with the rules, reads them too.)
namespace audio {

enum NotifyCode : int {
    NotifySuccessful = 1,
    NotifySuperseded = 2,
    NotifyAborted = 4,
    NotifyFailure = 8,
};

} // namespace audio
