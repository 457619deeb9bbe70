#pragma once
// Where record writers put their bytes: a file, memory in tests, a failing sink.

#include <string>
#include <string_view>

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes the bytes; raises on failure (the runtime's I/O error).
    virtual void Write(std::string_view Bytes) = 0;
};

class StringSink : public ByteSink {
public:
    void Write(std::string_view Bytes) override { FData.append(Bytes); }
    const std::string& Data() const { return FData; }

private:
    std::string FData;
};
