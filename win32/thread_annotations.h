// Lock annotations that Clang checks at compile time (-Wthread-safety): which
// type is a lock, which data a lock guards, which functions expect a lock
// held or not held, and in which order locks are taken. Under a compiler
// without the analysis they expand to nothing.
#pragma once

#if defined(__clang__)
#define DVP_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define DVP_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(name) DVP_THREAD_ANNOTATION(capability(name))
#define SCOPED_CAPABILITY DVP_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(lock) DVP_THREAD_ANNOTATION(guarded_by(lock))
#define PT_GUARDED_BY(lock) DVP_THREAD_ANNOTATION(pt_guarded_by(lock))
#define ACQUIRED_BEFORE(...) DVP_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) DVP_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) DVP_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) DVP_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) DVP_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define EXCLUDES(...) DVP_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define RETURN_CAPABILITY(lock) DVP_THREAD_ANNOTATION(lock_returned(lock))
#define NO_THREAD_SAFETY_ANALYSIS DVP_THREAD_ANNOTATION(no_thread_safety_analysis)
