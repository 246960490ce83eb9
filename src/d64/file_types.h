// Names of the 1541's file types, indexed by the low three bits of an entry's
// type byte. Types 5 to 7 do not exist on a 1541 and list as "???".
#pragma once

namespace brimwick::d64 {

inline constexpr int kFileTypeDel = 0;  // deleted / scratched
inline constexpr int kFileTypeSeq = 1;  // sequential data
inline constexpr int kFileTypePrg = 2;  // program, load address first
inline constexpr int kFileTypeUsr = 3;  // user
inline constexpr int kFileTypeRel = 4;  // relative (record) file

inline constexpr char fileTypeNames[8][4] = {"DEL", "SEQ", "PRG", "USR",
                                             "REL", "???", "???", "???"};

// On a 1581, type 5 is a partition: a run of blocks that holds a disk of its
// own (listed "CBM").
inline constexpr int kFileTypePartition = 5;
inline constexpr char kPartitionTypeName[4] = "CBM";

}  // namespace brimwick::d64
