#include "cli/CliOptions.h"

namespace kq::cli {

const char* HelpText() {
    return R"(Burns an ISO 9660 image onto a CD-R, Track-At-Once, as one data track.

Usage:
  cdburner-cli --list [--aspi-library PATH] [--pass-through]
  cdburner-cli --info [--device N | --all-recorders]
  cdburner-cli --version
  cdburner-cli [options] IMAGE
  cdburner-cli [options] --device A --device B ... IMAGE
  cdburner-cli [options] --all-recorders IMAGE
  cdburner-cli [options] --blank fast|all [IMAGE]
  cdburner-cli [options] --format [IMAGE]
  cdburner-cli [options] --folder DIR [--add DISC/PATH=LOCAL/PATH ...]
  cdburner-cli [options] --append --folder DIR [--add ...] [--remove DISC/PATH ...]
  cdburner-cli [options] --folder DIR --write-image FILE|- [--force]
  cdburner-cli --read-image OUT.iso [--device N] [--track N] [--md5] [--keep-going] [--force]
  cdburner-cli --check-disc IMAGE|COMPANION [--device N] [--track N]
  cdburner-cli --list-files [--device N] [--track N | --session N]

Drives:
  --list                   list the recorders: description, what each can write, the
                           medium loaded and its state; then the drives that are present
                           but cannot be opened, with the reason and what to do
  --info                   the disc in the drive (default the first; each with
                           --all-recorders) as the drive describes it: medium, state
                           (blank, appendable, incomplete, closed, overwritable),
                           capacity, used and free space, sessions, tracks and TOC
  --device N|H:T:L|ENTRY   the recorder: its number in --list (from 1), its address
                           adapter:target:lun, its whole --list entry, or on Linux its
                           device node (/dev/sr0, through the pass-through layer).
                           Default: the first recorder that can write CD-R. Repeat it to
                           burn the same image onto several recorders at once
  --all-recorders          burn onto every recorder that holds a usable disc (recorders
                           without a disc are skipped and do not count in the exit code)
  --aspi-library PATH      load this ASPI-compatible library instead of the usual one
  --pass-through           prefer the operating system's SCSI pass-through

The image:
  --no-checksum            do not compare the image with its checksum companion. Otherwise
                           the first companion found is read: IMAGE without its extension
                           + .md5, then IMAGE + .md5, then the same two with .sha256, then
                           SHA256SUMS in the image's folder when it names the image. A
                           companion holds one digest or an md5sum-style list naming the
                           image ("digest  name", or tagged "MD5 (name) = digest"); the
                           image is burnt only when the digests match
  --any-medium             burn onto any writable medium the burner supports, not only CD-R

A folder instead of an image (an ISO 9660 file system with Joliet and Rock Ridge):
  --folder DIR             burn DIR's contents as the disc's root
  --add DISC/PATH=LOCAL/PATH
                           add a file or folder at DISC/PATH on the disc; repeatable, and
                           alone or with --folder
  --volume-id TEXT         the volume's name: up to 32 letters, digits and _ (default the
                           folder's name, made valid)
  --no-joliet              no Joliet names (the long names Windows reads)
  --no-rock-ridge          no Rock Ridge (the long names, permissions, owners, times
                           and links Unix systems read); folders deeper than 8 levels
                           are still written where they are
  --relocate-deep          move folders deeper than 8 levels under a relocation folder,
                           for readers that refuse deeper ones; Rock Ridge readers see
                           them in place. Needs Rock Ridge
  --udf                    add a UDF file system (revision 1.02) over the same files: Linux,
                           Windows and macOS read it, files of 4 GiB and more included
                           (ISO 9660 alone holds those as pieces macOS does not join)
  --write-image FILE       write the image into FILE, with FILE.sha256 beside it, instead of
                           burning a disc; no recorder needed. FILE appears only when whole;
                           an existing FILE is replaced only with --force. FILE "-" sends the
                           image to standard output and its SHA-256 to standard error
  --print-size             print the sectors (2048 bytes) the image takes, and exit
  --append                 add the files as a new session of an appendable write-once disc
                           (CD-R/RW, DVD-R/RW, DVD+R, DVD+R DL, BD-R): the last session's
                           files stay listed where they are, a file or folder given again
                           replaces the old one (a folder merges), --volume-id defaults
                           to the old one. On a blank disc: the first session. On an
                           overwritable disc (DVD+RW, DVD-RAM, BD-RE) the files and tree
                           go after the old volume, its descriptors replaced last. A
                           file system that cannot be read is refused, naming the sector
  --remove DISC/PATH       with --append: leave an old file or folder out; repeatable. A
                           path not on the disc is refused (exit code 2)
  --skip-unreadable        burn the rest when files or folders inside the sources cannot
                           be read (they are listed and left out); otherwise nothing is
                           written (exit code 2). A --folder or --add source that cannot
                           be read is always refused, and so is a disc with nothing on it
  A disc path is names between "/": none empty, "." or "..".
  Files are checked as they are read: one that changed, vanished or cannot be read
  since it was added fails the burn with its name. --verify compares the disc with the
  digest of the bytes sent. Several recorders get identical discs (one build time).
  Dates: files and folders keep theirs, to the second; ISO 9660 records end at 2155, so
  a later date is written as 2155-12-31 23:59:59. SOURCE_DATE_EPOCH (seconds since
  1970) dates the volume and the folders made up for it, and clamps later file and
  folder dates to it: one tree and one value give the same image.

The burn:
  --write-speed KBPS|Nx    write speed in kB/s, or a multiple such as 16x or 2.4x (1x is
                           176.4 kB/s on CD media, up to 371x; 1385 kB/s on DVD media, up
                           to 47x); 0 = the drive's maximum. A figure in kB/s below 176 is
                           refused: it is a multiple without its x
  --read-speed KBPS|Nx     read speed, the same way; 0 = the drive's maximum
  --test-write             simulate: the laser stays off, nothing is recorded
  --no-underrun-protection do not ask for buffer-underrun protection
  --finalize-disc          close the disc: no further session can be added
  --no-close               leave the session open after the track (not with --finalize-disc)
  --opc                    calibrate the laser (OPC) before writing
  --cache-size BYTES       read-ahead cache (default 4194304; at least 2097152)
  --no-post-gap            do not pad an image shorter than 300 sectors
  --verify                 after a successful burn, read the track back with READ (10)
                           and compare its digest with the checked one (with --no-checksum,
                           with the digest of the bytes the burn sent)
  --eject                  eject the disc when done
  --blank fast|all         blank the CD-RW or DVD-RW first (one recorder): fast erases what
                           makes the disc read as used, all the whole disc. The image is
                           checked (companion, room on the blank disc) before anything is
                           erased. Without an image the disc is only blanked. A blank cannot
                           be stopped: Ctrl-C waits for the drive to finish it
  --format                 format the BD-RE first (one recorder), erasing it; without an
                           image the disc is only formatted. An unformatted BD-RE is
                           formatted before a burn without it. BD speeds: 1x is 4495 kB/s
  --debug                  print the debug-message lines
  --trace-all              trace every command (its lines are debug lines, shown with it)
  --version                print the program's name and version

Reading a disc (any drive; default the first; nothing is written to the disc):
  --read-image OUT         read the first data track (or --track N) into OUT with its exact
                           length: the run-out blocks that end a Track-At-Once CD track are
                           left out, and on an overwritable disc the image ends with its
                           file system. Written as OUT.part, renamed when complete; then
                           OUT.sha256 beside it. A sector that fails is read again up to
                           3 times; one that still fails ends the read with its number and
                           the drive's text. Ctrl-C leaves OUT.part
  --md5                    also write OUT without its extension + .md5
  --keep-going             fill a sector that cannot be read with zeros and go on; the
                           sectors (the disc's numbers) are listed in OUT.bad, no checksum
                           file is written and the exit code is 1
  --force                  replace an existing OUT (or --write-image FILE). Whatever is
                           written (OUT, OUT.part, its companions, OUT.bad) replaces only
                           regular files: a device, FIFO or socket there is refused
  --check-disc IMAGE|COMPANION
                           compare the data track with IMAGE byte for byte (the first
                           differing sector is named), or with the digest of a checksum
                           companion (.md5, .sha256, an md5sum/sha256sum list; given by
                           name, or found beside a missing IMAGE as for a burn). Prints
                           "check: ok" or what differs. A track never closed is checked
                           as far as it was written
  --track N                the track to read (1 to 99); default the first data track
  --list-files             list the files of the disc's last session, one line each as
                           ls -l does (mode, links, owner, group, size, date in UTC, path)
  --session N              with --list-files: that session's files instead
  --read-speed KBPS|Nx     as above; SET CD SPEED on CD, SET STREAMING on DVD

Output:
  On a terminal, one updating line: percentage, MB written of the total, speed in kB/s
  and as a CD or DVD multiple, drive buffer fill, elapsed time and time left. Otherwise a
  plain line every few seconds, its speed over the time since the line before. Then
  the burner's result: "Success", or its error text on standard error. Results and
  progress go to standard output, every error and warning to standard error. When
  standard output is closed (its reader has gone), the burn goes on without it.
  With several drives: a drive's line when its state changes (and every few seconds
  while it burns), then a summary table; each failed drive is also named on standard error.

Exit codes:
  0   success (every burn, with several drives)
  1   the burn failed (or a verify found a difference, or the image changed on disk
      during the burn: the session is then left open)
  2   a mistake on the command line, a missing or empty image or an unknown device;
      unreadable files of a folder (without --skip-unreadable), a source that cannot be
      read, nothing to burn, a bad SOURCE_DATE_EPOCH, or a folder that cannot be laid out
  3   the image does not match its checksum companion, or the companion cannot be
      read or holds no digest for the image
  4   no recorder, or no usable disc in it (a closed disc, a write-once disc that
      already holds a session and no --append, a disc with too little room for the image,
      a session whose file system cannot be read for --append; --blank
      on a disc that cannot be blanked)
  129 aborted by a hang-up (SIGHUP: the terminal closed), as with Ctrl-C
  130 aborted with Ctrl-C; the drive is flushed first
  143 aborted by SIGTERM, as with Ctrl-C
  With several drives: the worst single result; a drive named with --device that is
  skipped counts as 4.
  Reading: 0 the image is complete or the disc holds what it is checked against, 1 a
  sector cannot be read (zero-filled with --keep-going), the disc differs, or OUT cannot
  be written (the disc full: what was read stays in OUT.part), 2 OUT exists without
  --force, or neither IMAGE nor a companion with its digest is there, 4 no drive or no
  data track (or, for --list-files, no file system that can be read), 130 stopped with
  Ctrl-C.
)";
}

}  // namespace kq::cli
