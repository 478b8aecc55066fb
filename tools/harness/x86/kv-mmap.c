/*
 * Preload library for 32-bit Wine under qemu-i386 (user mode).
 *
 * qemu 7.2 does not know the mmap flag MAP_FIXED_NOREPLACE and maps
 * elsewhere instead of failing. Wine's start-up reserves its address space
 * with that flag and, seeing every attempt "succeed" at the wrong place,
 * undoes it and tries again: about 130,000 calls and a minute of CPU per
 * process. Here mmap drops the flag, and when the result is not the address
 * asked for, unmaps it and fails with EEXIST, as a kernel that knows the
 * flag would.
 *
 * Built with gcc -m32 -nostdlib -shared -fPIC: the system calls are made
 * directly (int 0x80), so no 32-bit C library headers are needed. The same
 * file built for x86-64 is empty, so that the 64-bit Wine processes that
 * inherit LD_PRELOAD load it without complaint.
 */

#if defined(__i386__)

#define SYS_OLD_MMAP 90
#define SYS_MUNMAP 91
#define FLAG_FIXED_NOREPLACE 0x100000
#define ERR_EEXIST 17
#define ERR_EINVAL 22

extern int *__errno_location(void);

static long syscall1(long number, long a)
{
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "0"(number), "b"(a) : "memory");
    return result;
}

static long syscall2(long number, long a, long b)
{
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "0"(number), "b"(a), "c"(b) : "memory");
    return result;
}

static void *failed(int error)
{
    *__errno_location() = error;
    return (void *)-1;
}

void *mmap(void *address, unsigned long length, int protection, int flags, int fd, long offset)
{
    /* old_mmap takes its six arguments as one block in memory. */
    unsigned long block[6] = {
        (unsigned long)address, length, (unsigned long)protection,
        (unsigned long)(flags & ~FLAG_FIXED_NOREPLACE), (unsigned long)fd, (unsigned long)offset,
    };
    long result = syscall1(SYS_OLD_MMAP, (long)block);
    if ((unsigned long)result >= (unsigned long)-4095)
        return failed((int)-result);
    if ((flags & FLAG_FIXED_NOREPLACE) && (void *)result != address) {
        syscall2(SYS_MUNMAP, result, (long)length);
        return failed(ERR_EEXIST);
    }
    return (void *)result;
}

void *mmap64(void *address, unsigned long length, int protection, int flags, int fd, long long offset)
{
    /* old_mmap carries a 32-bit offset; Wine maps no file beyond 4 GiB. */
    if (offset < 0 || offset > 0xFFFFFFFFLL)
        return failed(ERR_EINVAL);
    return mmap(address, length, protection, flags, fd, (long)offset);
}

#else

/* The 64-bit build only has to load. */
int kv_mmap_inert;

#endif
