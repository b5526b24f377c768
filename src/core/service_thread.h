#pragma once

#include <thread>

// The service's long-lived threads (the inventory push thread, the door-bell thread) start
// and end the same way: started once, joined once, and a failure of either is logged under the
// owner's module tag rather than thrown.

// Starts entry(arg) on thread unless it already runs. False when the thread could not be
// created ("Error: Unable to create thread: %d").
bool orbStartServiceThread(std::thread& thread, void* (*entry)(void*), void* arg,
                           const char* module);

// Joins a thread that was started; one that was not is left alone ("Error: Unable to join
// thread: %d" when the join fails).
void orbJoinServiceThread(std::thread& thread, const char* module);
