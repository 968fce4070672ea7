// POSIX implementations of the storage seams (placeholder).
