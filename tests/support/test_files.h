// Files for tests: fresh names in the test's temporary folder, and whole files read and written
// as bytes.
#pragma once
#include <string>

// A fresh path in the test's temporary folder, "<folder>corvane_<process>_<n>_<name>": never
// the same twice in one process, nor in two test processes running at once.
std::string temp_path(const char* name);
// The whole file as bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
// Makes text the file's whole contents, as bytes.
void write_file(const std::string& path, const std::string& text);
// A fresh temp_path(name) holding text; returns the path.
std::string temp_file(const char* name, const std::string& text);
