// Reading and setting a file's last-write time, to the second.
#pragma once

#include <ctime>
#include <string>

// The time of what the path names, through symbolic links.
std::time_t MTime(const std::string& path);
// The time of the path itself: a symbolic link's own, not its target's.
std::time_t OwnMTime(const std::string& path);
// Sets both the access and the last-write time; fails the test if it cannot.
void SetMTime(const std::string& path, std::time_t seconds);
