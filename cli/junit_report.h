// JUnit XML reports of firmware test runs (corvane test --junit FILE), in the form Jenkins,
// GitLab and the common JUnit viewers read: one <testsuite> holding the run's <testcase>
// (classname "corvane"), a <failure> for each expectation that does not hold, an <error> for a
// run that could not be made (the file did not load, the part could not be connected,
// programmed or run), its time in seconds and the lines it printed as <system-out>.
#pragma once
#include <string>
#include <vector>

struct JunitFailure {
  std::string message;  // the failing line: "D is 0000, expected 1234"
  std::string detail;   // what was asked for: "--expect D=1234"
};

struct JunitTestCase {
  std::string name;
  double seconds = 0;
  std::vector<JunitFailure> failures;
  bool error = false;
  std::string error_message;  // "Programming failed"
  std::string error_detail;   // the last line printed before it
  std::vector<std::string> output;
};

// The text as XML character data or an attribute value: markup characters as entities, line
// ends in attributes as character references, and what XML 1.0 cannot hold (control characters,
// bytes that are not UTF-8) as U+FFFD, so any line makes a well-formed file.
std::string xml_escaped(const std::string& text, bool attribute);

// The report of one test case. Written whole to path; false when it cannot be written.
bool write_junit_report(const char* path, const JunitTestCase& test);
