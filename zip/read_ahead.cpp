// read_ahead.cpp - a ring of blocks between the inflating thread and the reader.
#include "zip/read_ahead.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

namespace karvo::zip {
namespace {

// Blocks in flight. A parser that asks 64 KiB at a time finds the next block ready
// while the thread fills the others; a megabyte in all stays small beside any part
// large enough to be read this way.
constexpr std::size_t kBlockBytes = std::size_t(256) << 10;
constexpr std::size_t kBlocks = 4;

class ReadAhead : public CZipEntryReader {
public:
    explicit ReadAhead(std::unique_ptr<CZipEntryReader> inner) : inner_(std::move(inner)) {
        try {
            thread_ = std::thread([this] { produce(); });
        } catch (const std::system_error&) {
            // No thread to be had: the bytes come straight from the inner reader.
        }
    }

    ~ReadAhead() override {
        if (!thread_.joinable()) return;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    std::size_t read(char* buffer, std::size_t capacity) override {
        if (!thread_.joinable()) return inner_->read(buffer, capacity);
        Block* block;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return consumed_ < produced_ || ended_; });
            if (consumed_ == produced_) {
                if (failure_) std::rethrow_exception(failure_);
                return 0;
            }
            block = &blocks_[consumed_ % kBlocks];
        }
        // The thread leaves a filled block alone until it is taken whole.
        std::size_t n = std::min(capacity, block->size - block->taken);
        std::memcpy(buffer, block->bytes.get() + block->taken, n);
        block->taken += n;
        if (block->taken == block->size) {
            {
                std::lock_guard lock(mutex_);
                ++consumed_;
            }
            changed_.notify_all();
        }
        return n;
    }

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
        std::size_t taken = 0;
    };

    void produce() {
        for (;;) {
            Block* block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stopping_ || produced_ - consumed_ < kBlocks; });
                if (stopping_) return;
                block = &blocks_[produced_ % kBlocks];
            }
            std::size_t size = 0;
            std::exception_ptr failure;
            try {
                if (!block->bytes) block->bytes = std::make_unique_for_overwrite<char[]>(kBlockBytes);
                size = inner_->read(block->bytes.get(), kBlockBytes);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard lock(mutex_);
                if (size) {
                    block->size = size;
                    block->taken = 0;
                    ++produced_;
                } else {
                    ended_ = true;
                    failure_ = failure;
                }
            }
            changed_.notify_all();
            if (!size) return;
        }
    }

    std::unique_ptr<CZipEntryReader> inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<Block, kBlocks> blocks_;
    // Blocks filled and blocks taken since the start; block i lies at i % kBlocks.
    std::size_t produced_ = 0;
    std::size_t consumed_ = 0;
    // The inner reader has no more bytes, or failed with failure_.
    bool ended_ = false;
    std::exception_ptr failure_;
    bool stopping_ = false;
    // Last, so that it starts after every member it uses exists.
    std::thread thread_;
};

} // namespace

std::unique_ptr<CZipEntryReader> readAhead(std::unique_ptr<CZipEntryReader> inner) {
    return std::make_unique<ReadAhead>(std::move(inner));
}

} // namespace karvo::zip
