// Standard output sent to /dev/null for the life of the object, for callers
// that want a library's progress lines (the scene reader writes "numfaces"
// lines there) without showing them. Flushes on both ends; not thread-safe.
#pragma once

class QuietStandardOutput {
public:
    QuietStandardOutput();
    ~QuietStandardOutput();
    QuietStandardOutput(const QuietStandardOutput&) = delete;
    QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

private:
    int saved_ = -1;  // the original standard output, -1 when it could not be kept
};
