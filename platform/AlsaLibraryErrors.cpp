#include "platform/AlsaLibraryErrors.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace AlsaLibraryErrors {

namespace {

std::function<void(const std::string&)> routedLog;

void Deliver(const std::string& line)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        if (routedLog)
            routedLog(line);
        return;
    }
    QMetaObject::invokeMethod(application, [line] {
        if (routedLog)
            routedLog(line);
    }, Qt::QueuedConnection);
}

void Handler(const char* file, int line, const char* function, int error, const char* format, ...)
{
    char message[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    std::string text = std::string("ALSA lib ") + (file ? file : "") + ":" + std::to_string(line) + ":(" +
                       (function ? function : "") + ") " + message;
    if (error != 0)
        text += std::string(": ") + snd_strerror(error);
    Deliver(text);
}

void Drop(const char*, int, const char*, int, const char*, ...) {}

} // namespace

Quiet::Quiet() : saved_(snd_lib_error)
{
    snd_lib_error_set_handler(Drop);
}

Quiet::~Quiet()
{
    snd_lib_error_set_handler(saved_);
}

void Route(std::function<void(const std::string& line)> log)
{
    routedLog = std::move(log);
    snd_lib_error_set_handler(routedLog ? Handler : nullptr);
}

} // namespace AlsaLibraryErrors
