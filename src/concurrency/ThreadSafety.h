#pragma once

// clang's thread-safety analysis (-Wthread-safety): a member marked
// TOMEL_GUARDED_BY(mutex_) may only be touched with mutex_ held, and the
// compiler checks it. Other compilers ignore the marks.
#if defined(__clang__)
#define TOMEL_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define TOMEL_THREAD_ATTRIBUTE(x)
#endif

#define TOMEL_CAPABILITY(name) TOMEL_THREAD_ATTRIBUTE(capability(name))
#define TOMEL_SCOPED_CAPABILITY TOMEL_THREAD_ATTRIBUTE(scoped_lockable)
#define TOMEL_GUARDED_BY(mutex) TOMEL_THREAD_ATTRIBUTE(guarded_by(mutex))
#define TOMEL_ACQUIRE(...) TOMEL_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define TOMEL_RELEASE(...) TOMEL_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define TOMEL_REQUIRES(...) TOMEL_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
