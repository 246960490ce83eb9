// Names of the 1541's file types, indexed by the low three bits of an entry's
// type byte. Types 5 to 7 do not exist on a real drive and list as "???".
#pragma once

namespace brimwick::d64 {

inline constexpr int kFileTypeDel = 0;  // deleted / scratched
inline constexpr int kFileTypeSeq = 1;  // sequential data
inline constexpr int kFileTypePrg = 2;  // program, load address first
inline constexpr int kFileTypeUsr = 3;  // user
inline constexpr int kFileTypeRel = 4;  // relative (record) file

inline constexpr char fileTypeNames[8][4] = {"DEL", "SEQ", "PRG", "USR",
                                             "REL", "???", "???", "???"};

}  // namespace brimwick::d64
