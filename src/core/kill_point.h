#pragma once

// A named moment between two writes of the data files at which a test may
// have the process killed, to check that what the next start finds is whole.
// With TAVLINFTP_TEST_KILL_AT="NAME:N" in the environment the process sends
// itself SIGKILL the N-th time it passes NAME; without it nothing happens.
void passKillPoint(const char* name);
