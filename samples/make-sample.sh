#!/bin/sh
# Builds the bundled sample disc: a CD-R holding three ISO 9660 sessions with Joliet
# and Rock Ridge names, written the way a mastering tool appends sessions (each new
# session merges the tree of the one before it and refers to its files in place).
#
#   session 1  README.TXT, empty.dat (0 bytes), one.bin (1 byte), big.bin (100000
#              bytes), docs/ with two text files
#   session 2  adds photos/ (two files), an empty archive/ and a hidden directory
#              private/, replaces README.TXT; everything else is the data of
#              session 1
#   session 3  replaces one.bin by a longer file and adds changes.txt
#
# Output (all in this folder): session1.iso, session2.iso, session3.iso (each image
# starts at its session's first block) and sample.disc, the disc description that
# places them on a CD-R. Running the script again gives byte-identical files: file
# contents are generated here, every time stamp is fixed, and the volume dates and
# Rock Ridge access/change times the mastering tool takes from the clock are
# overwritten with fixed values afterwards.
set -eu
cd "$(dirname "$0")"
here=$(pwd)
export TZ=UTC LC_ALL=C
umask 022

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Deterministic file contents: text lines, or bytes from a fixed linear congruential
# sequence.
text_file() { # path lines label
  perl -e 'my ($n, $label) = @ARGV; printf("%s, line %04d: the quick brown fox jumps over the lazy dog\n", $label, $_) for 1 .. $n' "$2" "$3" > "$1"
}
bytes_file() { # path count seed
  perl -e 'my ($n, $x) = @ARGV; my $out = ""; for (1 .. $n) { $x = ($x * 1103515245 + 12345) % 2147483648; $out .= chr(($x >> 16) & 255) } print $out' "$2" "$3" > "$1"
}

# Overwrites the clock-dependent bytes of an image: the creation, modification and
# effective dates of every volume descriptor (offsets 813, 830, 864), and the access
# and attribute-change times of every Rock Ridge TF entry (set equal to the
# modification time).
fix_dates() { # image date(YYYYMMDDhhmmss)
  perl -e '
    my ($path, $date) = @ARGV;
    open(my $fh, "+<:raw", $path) or die "$path: $!";
    local $/; my $img = <$fh>;
    my $stamp = $date . "00" . "\0";
    for (my $lba = 16; ($lba + 1) * 2048 <= length($img); ++$lba) {
      my $at = $lba * 2048;
      last unless substr($img, $at + 1, 5) eq "CD001";
      my $type = ord(substr($img, $at, 1));
      last if $type == 255;
      substr($img, $at + $_, 17) = $stamp for (813, 830, 864);
    }
    my @at;
    push @at, $-[0] while $img =~ /TF\x1a\x01\x0e/g;
    for my $at (@at) {
      my $modify = substr($img, $at + 5, 7);
      substr($img, $at + 12, 7) = $modify;
      substr($img, $at + 19, 7) = $modify;
    }
    seek($fh, 0, 0); print $fh $img; close $fh;
  ' "$1" "$2"
}

blocks() { echo $(( $(stat -c %s "$1") / 2048 )); }

master() { # output source volume-id [genisoimage multisession options...]
  out=$1 src=$2 vol=$3
  shift 3
  genisoimage -quiet -no-pad -J -r -hidden private \
    -V "$vol" -volset "TARNWICK SAMPLE" -A "TARNWICK SAMPLE DISC" -p "TARNWICK" -publisher "TARNWICK" \
    -sysid "LINUX" "$@" -o "$out" "$src"
}

# ---- session 1 ----
s1=$work/s1
mkdir -p "$s1/docs"
text_file "$s1/README.TXT" 40 "First session read-me"
: > "$s1/empty.dat"
printf 'A' > "$s1/one.bin"
bytes_file "$s1/big.bin" 100000 1
text_file "$s1/docs/Release notes.txt" 60 "Release notes"
text_file "$s1/docs/manual.txt" 25 "Manual"
find "$s1" -exec touch -h -d '2024-06-15 12:00:00' {} +
master "$here/session1.iso" "$s1" "TARNWICK_S1"
fix_dates "$here/session1.iso" 20240615120000

start1=0
end1=$((start1 + $(blocks "$here/session1.iso")))
start2=$((end1 + 11400))

# The previous sessions as the mastering tool reads them: a disc-sized file with each
# session at its own address.
disc=$work/disc.img
dd if="$here/session1.iso" of="$disc" bs=2048 seek=$start1 conv=notrunc status=none

# ---- session 2 ----
s2=$work/s2
mkdir -p "$s2/photos" "$s2/private" "$s2/archive"
text_file "$s2/README.TXT" 55 "Second session read-me"
bytes_file "$s2/photos/beach.raw" 5000 2
bytes_file "$s2/photos/garden.raw" 20480 3
text_file "$s2/private/diary.txt" 12 "Diary"
find "$s2" -exec touch -h -d '2024-07-20 09:30:00' {} +
master "$here/session2.iso" "$s2" "TARNWICK_S2" -C "$start1,$start2" -M "$disc"
fix_dates "$here/session2.iso" 20240720093000
dd if="$here/session2.iso" of="$disc" bs=2048 seek=$start2 conv=notrunc status=none

end2=$((start2 + $(blocks "$here/session2.iso")))
start3=$((end2 + 6900))

# ---- session 3 ----
s3=$work/s3
mkdir -p "$s3"
text_file "$s3/one.bin" 3 "Third session replacement"
text_file "$s3/changes.txt" 8 "Changes"
find "$s3" -exec touch -h -d '2024-09-02 18:45:10' {} +
master "$here/session3.iso" "$s3" "TARNWICK_S3" -C "$start2,$start3" -M "$disc"
fix_dates "$here/session3.iso" 20240902184510

len1=$(blocks "$here/session1.iso")
len2=$(blocks "$here/session2.iso")
len3=$(blocks "$here/session3.iso")
cat > "$here/sample.disc" <<DISC
# The sample disc: a CD-R of 80 minutes holding three sessions, open for a fourth.
# Made by make-sample.sh; each image holds its session from its first block on.
medium  profile=CD-R
disc    status=incomplete capacity=359849
session number=1
track   number=1 type=data start=$start1 length=$len1 file=session1.iso offset=0
session number=2
track   number=2 type=data start=$start2 length=$len2 file=session2.iso offset=0
session number=3
track   number=3 type=data start=$start3 length=$len3 file=session3.iso offset=0
DISC

echo "session 1: blocks $start1..$((start1 + len1 - 1))"
echo "session 2: blocks $start2..$((start2 + len2 - 1))"
echo "session 3: blocks $start3..$((start3 + len3 - 1))"
