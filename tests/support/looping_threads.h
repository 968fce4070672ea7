#pragma once
// Threads that run a body over and over beside a test (readers racing a writer, say). They are
// stopped and joined on every way out of the scope that owns them, a failed assertion or an
// exception included, and an exception from a body fails the test instead of ending the program.

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <stop_token>
#include <thread>
#include <vector>

namespace keyloft::testing {

class LoopingThreads {
  public:
    // `count` threads, each running body(its index) until stop().
    LoopingThreads(int count, const std::function<void(int index)>& body) {
        for (int index = 0; index < count; ++index) {
            threads_.emplace_back([body, index](std::stop_token stop) {
                try {
                    while (!stop.stop_requested()) body(index);
                } catch (const std::exception& e) {
                    ADD_FAILURE() << "thread " << index << " beside the test ended with: " << e.what();
                } catch (...) {
                    ADD_FAILURE() << "thread " << index << " beside the test ended with an exception";
                }
            });
        }
    }
    ~LoopingThreads() { stop(); }
    LoopingThreads(const LoopingThreads&) = delete;
    LoopingThreads& operator=(const LoopingThreads&) = delete;

    // Lets each thread end its current round, and waits for them all.
    void stop() {
        for (std::jthread& thread : threads_) thread.request_stop();
        for (std::jthread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
    }

  private:
    std::vector<std::jthread> threads_;
};

}  // namespace keyloft::testing
