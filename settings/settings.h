#pragma once
void add_recent_file(const char* path);
