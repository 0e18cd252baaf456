#pragma once

#include <exception>
#include <utility>

// Runs one step of a list of steps and swallows any exception it raises, so that
// "skip a failing step and go on" reads as a plain list. Returns false when the
// step failed. An onError callback, when given, receives the exception (to log it).
template <typename Step>
bool TryStep(Step&& step)
{
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {
        return false;
    }
}

template <typename Step, typename OnError>
bool TryStep(Step&& step, OnError&& onError)
{
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception& error) {
        std::forward<OnError>(onError)(error);
        return false;
    } catch (...) {
        return false;
    }
}
