#pragma once

// The log writers used by this folder. They come from the foundation log;
// until that is part of the tree these stand-ins write nothing, so that the
// classifiers keep their log calls in place.
#if __has_include("foundation/Log.h")
#include "foundation/Log.h"
#else
#if defined(__GNUC__)
#define CLASSIFY_LOG_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define CLASSIFY_LOG_FORMAT
#endif
inline void logError(const char*, ...) CLASSIFY_LOG_FORMAT;
inline void logDebug(const char*, ...) CLASSIFY_LOG_FORMAT;
inline void logTrace(const char*, ...) CLASSIFY_LOG_FORMAT;
inline void logError(const char*, ...) {}
inline void logDebug(const char*, ...) {}
inline void logTrace(const char*, ...) {}
#endif
