/* floor_walk: the one-thread lower bound for writing a catalogue on Linux.
 *
 *   floor_walk [--no-sync] ROOT OUTPUT
 *
 * Does the least work a catalogue of ROOT needs and nothing else: every folder
 * is opened relative to its parent (openat) and listed with getdents64, every
 * entry gets one statx relative to the open folder (AT_STATX_DONT_SYNC, size,
 * last-write and birth time), and each entry becomes a line with the fields a
 * catalogue line carries (name, size, date, time; a folder's relative path,
 * "0" and its birth time), in the catalogue's order: a folder's files, then
 * each sub-folder's line followed by everything below it. Dates are formatted
 * by integer arithmetic with the UTC offset in force at the start, lines go to
 * a 1 MiB buffer written with write(2), and the file is synced at the end as a
 * catalogue is before its backup is deleted (--no-sync leaves that out).
 *
 * It is a benchmark reference, not a catalogue writer: no stop, no backup, no
 * code page. Entries that cannot be read are reported on stderr and counted;
 * the exit status is 1 when any was, 2 when the output cannot be written.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#define OUT_CAPACITY (1u << 20)
#define LISTING_BUFFER (64u * 1024u)
#define STAT_MASK (STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | STATX_BTIME)

struct linux_dirent64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

static int out_fd = -1;
static const char* out_path;
static char out_buf[OUT_CAPACITY];
static size_t out_len;
static long utc_offset;
static unsigned long failures;

static void fail_output(void) {
  fprintf(stderr, "floor_walk: cannot write %s: %s\n", out_path, strerror(errno));
  exit(2);
}

static void flush_output(void) {
  size_t done = 0;
  while (done < out_len) {
    const ssize_t n = write(out_fd, out_buf + done, out_len - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail_output();
    }
    done += (size_t)n;
  }
  out_len = 0;
}

/* Room for one line: a name is at most 255 bytes, a relative path at most PATH_MAX. */
static char* reserve(size_t bytes) {
  if (out_len + bytes > OUT_CAPACITY) flush_output();
  return out_buf + out_len;
}

static char* put_unsigned(char* p, uint64_t value) {
  char digits[20];
  int n = 0;
  do {
    digits[n++] = (char)('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *p++ = digits[--n];
  return p;
}

/* "\t YYYY.M.D\tH:M.S": the calendar fields of seconds since 1970 (days to
 * year/month/day by the proleptic Gregorian civil-from-days conversion). */
static char* put_stamp(char* p, int64_t seconds) {
  seconds += utc_offset;
  int64_t days = seconds / 86400;
  int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    days -= 1;
  }
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  *p++ = '\t';
  *p++ = ' ';
  if (year < 0) {
    *p++ = '-';
    p = put_unsigned(p, (uint64_t)-year);
  } else {
    p = put_unsigned(p, (uint64_t)year);
  }
  *p++ = '.';
  p = put_unsigned(p, (uint64_t)month);
  *p++ = '.';
  p = put_unsigned(p, (uint64_t)day);
  *p++ = '\t';
  p = put_unsigned(p, (uint64_t)(rest / 3600));
  *p++ = ':';
  p = put_unsigned(p, (uint64_t)(rest / 60 % 60));
  *p++ = '.';
  p = put_unsigned(p, (uint64_t)(rest % 60));
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

static void report(const char* what, const char* rel, const char* name, int error) {
  fprintf(stderr, "floor_walk: cannot %s %s%s: %s\n", what, rel, name, strerror(error));
  ++failures;
}

/* A sub-folder met while listing, entered after the folder's files are written. */
struct subfolder {
  size_t name_at;  /* offset of its NUL-terminated name in the names arena */
  int64_t born;
};

struct listing {
  char* names;
  size_t names_len, names_cap;
  struct subfolder* subs;
  size_t subs_len, subs_cap;
};

static void* grow(void* block, size_t* capacity, size_t need, size_t unit) {
  if (need <= *capacity) return block;
  size_t wanted = *capacity ? *capacity * 2 : 64;
  while (wanted < need) wanted *= 2;
  void* bigger = realloc(block, wanted * unit);
  if (!bigger) {
    fprintf(stderr, "floor_walk: out of memory\n");
    exit(2);
  }
  *capacity = wanted;
  return bigger;
}

static void remember_subfolder(struct listing* l, const char* name, int64_t born) {
  const size_t len = strlen(name) + 1;
  l->names = grow(l->names, &l->names_cap, l->names_len + len, 1);
  memcpy(l->names + l->names_len, name, len);
  l->subs = grow(l->subs, &l->subs_cap, l->subs_len + 1, sizeof *l->subs);
  l->subs[l->subs_len].name_at = l->names_len;
  l->subs[l->subs_len].born = born;
  l->subs_len++;
  l->names_len += len;
}

/* Lists the open folder `fd` whose relative path (with '\' after each level) is
 * rel[0..rel_len), writes its file lines, then each sub-folder and its contents. */
static void walk(int fd, char* rel, size_t rel_len) {
  static char listing_buffer[LISTING_BUFFER];
  struct listing l = {0};
  for (;;) {
    const long got = syscall(SYS_getdents64, fd, listing_buffer, sizeof listing_buffer);
    if (got == 0) break;
    if (got < 0) {
      report("list", rel, "", errno);
      break;
    }
    for (long at = 0; at < got;) {
      const struct linux_dirent64* d = (const struct linux_dirent64*)(listing_buffer + at);
      at += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      struct statx sx;
      if (statx(fd, name, AT_STATX_DONT_SYNC, STAT_MASK, &sx) != 0 &&
          statx(fd, name, AT_STATX_DONT_SYNC | AT_SYMLINK_NOFOLLOW, STAT_MASK, &sx) != 0) {
        report("read", rel, name, errno);
        continue;
      }
      /* A link to a folder is listed as an entry and never followed. */
      if (S_ISDIR(sx.stx_mode) && d->d_type != DT_LNK) {
        const int64_t born =
            (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
        remember_subfolder(&l, name, born);
        continue;
      }
      const size_t name_len = strlen(name);
      char* p = reserve(name_len + 64);
      memcpy(p, name, name_len);
      p += name_len;
      *p++ = '\t';
      p = put_unsigned(p, sx.stx_size);
      p = put_stamp(p, sx.stx_mtime.tv_sec);
      out_len = (size_t)(p - out_buf);
    }
  }
  for (size_t i = 0; i < l.subs_len; ++i) {
    const char* name = l.names + l.subs[i].name_at;
    const size_t name_len = strlen(name);
    if (rel_len + name_len + 2 > PATH_MAX) {
      report("enter (path too long)", rel, name, ENAMETOOLONG);
      continue;
    }
    memcpy(rel + rel_len, name, name_len);
    rel[rel_len + name_len] = '\\';
    rel[rel_len + name_len + 1] = 0;
    const size_t sub_len = rel_len + name_len + 1;
    char* p = reserve(sub_len + 64);
    memcpy(p, rel, sub_len);
    p += sub_len;
    *p++ = '\t';
    *p++ = '0';
    p = put_stamp(p, l.subs[i].born);
    out_len = (size_t)(p - out_buf);
    const int sub = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) {
      report("open", rel, "", errno);
    } else {
      walk(sub, rel, sub_len);
      close(sub);
    }
    rel[rel_len] = 0;
  }
  free(l.names);
  free(l.subs);
}

int main(int argc, char** argv) {
  int sync_output = 1;
  int first = 1;
  if (argc > 1 && strcmp(argv[1], "--no-sync") == 0) {
    sync_output = 0;
    first = 2;
  }
  if (argc - first != 2) {
    fprintf(stderr, "usage: floor_walk [--no-sync] ROOT OUTPUT\n");
    return 2;
  }
  const char* root = argv[first];
  out_path = argv[first + 1];

  const time_t now = time(NULL);
  struct tm local;
  if (localtime_r(&now, &local)) utc_offset = local.tm_gmtoff;

  out_fd = open(out_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out_fd < 0) fail_output();
  const size_t root_len = strlen(root);
  char* p = reserve(root_len + 4);
  memcpy(p, root, root_len);
  p += root_len;
  if (root_len == 0 || root[root_len - 1] != '/') *p++ = '/';
  *p++ = '\r';
  *p++ = '\n';
  out_len = (size_t)(p - out_buf);

  const int fd = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    report("open", root, "", errno);
  } else {
    static char rel[PATH_MAX];
    walk(fd, rel, 0);
    close(fd);
  }
  flush_output();
  if (sync_output && fsync(out_fd) != 0 && errno != EINVAL) fail_output();
  if (close(out_fd) != 0) fail_output();
  return failures ? 1 : 0;
}
