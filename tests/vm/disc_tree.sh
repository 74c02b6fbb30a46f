# The tree both VM tests master onto their discs (sourced).
# A small tree with long and blank-containing names, an empty file, a file of several
# hundred blocks and nested directories, each with its own date.
make_tree() {
  mkdir -p tree/docs/deep/deeper tree/empty-dir
  printf 'hello from the emulated drive\n' >tree/readme.txt
  printf 'spaces and a long name\n' >"tree/A long file name with blanks.txt"
  : >tree/empty.dat
  seq 1 60000 >tree/docs/deep/deeper/numbers.txt        # about 350 kB: many blocks
  awk 'BEGIN { for (i = 0; i < 4000; i++) printf "%c", (i * 7 + 3) % 256 }' >tree/docs/binary.bin
  touch -d '1999-12-31 23:59:58' tree/readme.txt
  touch -d '2001-02-03 04:05:06' "tree/A long file name with blanks.txt"
  touch -d '2010-06-15 08:30:00' tree/empty.dat
  touch -d '2020-02-29 12:00:00' tree/docs/deep/deeper/numbers.txt
  touch -d '1995-07-04 17:45:31' tree/docs/binary.bin
  touch -d '2003-03-03 03:03:03' tree/docs/deep/deeper tree/docs/deep tree/docs tree/empty-dir
}
