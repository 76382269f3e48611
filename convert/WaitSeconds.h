#pragma once

class Clock;
class MessagePump;

// Returns once the given number of seconds has passed on the monotonic clock, processing
// events as they come all the while so that the window stays alive.
void waitSeconds(double seconds, const Clock &clock, MessagePump &pump);
