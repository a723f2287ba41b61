// What holding a whole file in memory costs on this machine: reading it into
// a freshly allocated buffer, whose every page faults in on first touch,
// against mapping it and reading it once. Machines differ most in the first.
//   load_cost FILE
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int main(int argc, char** argv)
{
    int fd = argc == 2 ? open(argv[1], O_RDONLY) : -1;
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size <= 0) {
        std::fprintf(stderr, "usage: load_cost FILE\n");
        return 1;
    }
    size_t size = size_t(st.st_size);

    auto start = std::chrono::steady_clock::now();
    std::unique_ptr<char[]> buffer(new char[size]);
    size_t got = 0;
    for (ssize_t n; got < size && (n = pread(fd, buffer.get() + got, size - got, off_t(got))) > 0;)
        got += size_t(n);
    double read_s = seconds(start);

    start = std::chrono::steady_clock::now();
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map == MAP_FAILED)
        return 1;
    const void* nul = std::memchr(map, 0, size); // one pass over the text, as the program makes
    double map_s = seconds(start);

    std::printf("%.4f %.4f %zu %d\n", read_s, map_s, (size + 4095) / 4096, nul != nullptr);
    munmap(map, size);
    return got == size ? 0 : 1;
}
