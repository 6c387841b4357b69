// Output for the text writers: small pieces are written through a pointer
// into a block of the sink's own, which is appended to the text whenever it
// fills and on flush().
#pragma once
#include <cstddef>
#include <cstring>
#include <string>

namespace tiven {

class TextSink {
public:
    static constexpr size_t kPiece = 64;      // room given when none is asked for
    static constexpr size_t kMaxRoom = 1024;  // the most room one may ask for

    explicit TextSink(std::string& out) : out_(out) {}
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    // Room for at least n bytes; advance() takes what was written there.
    char* room(size_t n = kPiece) {
        if (sizeof block_ - used_ < n) flush();
        return block_ + used_;
    }
    void advance(size_t n) { used_ += n; }
    void put(char c) {
        *room() = c;
        ++used_;
    }
    template <size_t N>
    void put(const char (&literal)[N]) {
        static_assert(N - 1 <= kPiece);
        std::memcpy(room(), literal, N - 1);
        used_ += N - 1;
    }
    // The text itself, with everything written so far, for the rare writers
    // that append to it directly.
    std::string& text() {
        flush();
        return out_;
    }
    void flush() {
        out_.append(block_, used_);
        used_ = 0;
    }

private:
    std::string& out_;
    size_t used_ = 0;
    char block_[4 * kMaxRoom];
};

}  // namespace tiven
