/* Linked into every program of a sanitized build (DEMOPLAYER_SANITIZE):
 * dlclose does nothing.
 *
 * At exit SDL unloads the EGL and Mesa driver libraries. Memory those
 * libraries still hold from their own globals then looks unreachable to
 * LeakSanitizer, and their stack frames can no longer be named, so their
 * allocations would be reported as leaks of "<unknown module>" that no
 * suppression can match. Keeping every library mapped until the process ends
 * leaves that memory reachable and every frame named. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
