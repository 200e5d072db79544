#include "keyboard/key_table.h"
#include "common/texts.h"

#include <algorithm>

namespace panelia {

namespace {

using A = KeyAction;
constexpr int kNoLit = 0;

}  // namespace

const std::array<KeyDef, kKeyCount> kKeyTable = {{
    {1001, {1, 2, 40, 40}, 143, kNoLit, "1 !", A::Shiftable, '1', 0, 0},
    {1002, {41, 2, 40, 40}, 144, kNoLit, "2 @", A::Shiftable, '2', 0, 0},
    {1003, {81, 2, 40, 40}, 145, kNoLit, "3 #", A::Shiftable, '3', 0, 0},
    {1004, {121, 2, 40, 40}, 146, kNoLit, "4 $", A::Shiftable, '4', 0, 0},
    {1005, {161, 2, 40, 40}, 147, kNoLit, "5 %", A::Shiftable, '5', 0, 0},
    {1006, {201, 2, 40, 40}, 148, kNoLit, "6 ^", A::Shiftable, '6', 0, 0},
    {1007, {241, 2, 40, 40}, 149, kNoLit, "7 &", A::Shiftable, '7', 0, 0},
    {1008, {281, 2, 40, 40}, 150, kNoLit, "8 *", A::Shiftable, '8', 0, 0},
    {1009, {321, 2, 40, 40}, 151, kNoLit, "9 (", A::Shiftable, '9', 0, 0},
    {1010, {361, 2, 40, 40}, 142, kNoLit, "0 )", A::Shiftable, '0', 0, 0},
    {1011, {401, 2, 40, 40}, 153, kNoLit, "- _", A::Shiftable, '-', 0, 0},
    {1012, {441, 2, 40, 40}, 152, kNoLit, "= +", A::Shiftable, '=', 0, 0},
    {1029, {481, 2, 60, 40}, 190, kNoLit, "←", A::Code, 0, 0, 6},
    {1028, {1, 42, 60, 40}, 191, kNoLit, "Tab", A::Code, 0, 0, 2},
    {1014, {61, 42, 40, 40}, 176, kNoLit, "Q", A::Letter, 'q', 0, 0},
    {1015, {101, 42, 40, 40}, 186, kNoLit, "W", A::Letter, 'w', 0, 0},
    {1016, {141, 42, 40, 40}, 160, kNoLit, "E", A::Letter, 'e', 0, 0},
    {1017, {181, 42, 40, 40}, 177, kNoLit, "R", A::Letter, 'r', 0, 0},
    {1018, {221, 42, 40, 40}, 182, kNoLit, "T", A::Letter, 't', 0, 0},
    {1019, {261, 42, 40, 40}, 188, kNoLit, "Y", A::Letter, 'y', 0, 0},
    {1020, {301, 42, 40, 40}, 183, kNoLit, "U", A::Letter, 'u', 0, 0},
    {1021, {341, 42, 40, 40}, 166, kNoLit, "I", A::Letter, 'i', 0, 0},
    {1022, {381, 42, 40, 40}, 174, kNoLit, "O", A::Letter, 'o', 0, 0},
    {1023, {421, 42, 40, 40}, 175, kNoLit, "P", A::Letter, 'p', 0, 0},
    {1024, {461, 42, 40, 40}, 170, kNoLit, "[ {", A::Shiftable, '[', 0, 0},
    {1025, {501, 42, 40, 40}, 178, kNoLit, "] }", A::Shiftable, ']', 0, 0},
    {1030, {1, 82, 70, 40}, 210, 209, "Caps", A::Caps, 0, 0, 0},
    {1026, {71, 82, 40, 40}, 154, kNoLit, "A", A::Letter, 'a', 0, 0},
    {1031, {111, 82, 40, 40}, 180, kNoLit, "S", A::Letter, 's', 0, 0},
    {1032, {151, 82, 40, 40}, 157, kNoLit, "D", A::Letter, 'd', 0, 0},
    {1033, {191, 82, 40, 40}, 161, kNoLit, "F", A::Letter, 'f', 0, 0},
    {1034, {231, 82, 40, 40}, 163, kNoLit, "G", A::Letter, 'g', 0, 0},
    {1035, {271, 82, 40, 40}, 164, kNoLit, "H", A::Letter, 'h', 0, 0},
    {1036, {311, 82, 40, 40}, 167, kNoLit, "J", A::Letter, 'j', 0, 0},
    {1037, {351, 82, 40, 40}, 168, kNoLit, "K", A::Letter, 'k', 0, 0},
    {1038, {391, 82, 40, 40}, 169, kNoLit, "L", A::Letter, 'l', 0, 0},
    {1039, {431, 82, 40, 40}, 162, kNoLit, "; :", A::Shiftable, ';', 0, 0},
    {1055, {471, 82, 70, 40}, 195, kNoLit, "Enter", A::Code, 0, 0, 7},
    {1053, {1, 122, 60, 40}, 212, 211, "Shift", A::Shift, 0, 0, 0},
    {1041, {61, 122, 40, 40}, 189, kNoLit, "Z", A::Letter, 'z', 0, 0},
    {1042, {101, 122, 40, 40}, 187, kNoLit, "X", A::Letter, 'x', 0, 0},
    {1043, {141, 122, 40, 40}, 156, kNoLit, "C", A::Letter, 'c', 0, 0},
    {1044, {181, 122, 40, 40}, 185, kNoLit, "V", A::Letter, 'v', 0, 0},
    {1045, {221, 122, 40, 40}, 155, kNoLit, "B", A::Letter, 'b', 0, 0},
    {1046, {261, 122, 40, 40}, 173, kNoLit, "N", A::Letter, 'n', 0, 0},
    {1047, {301, 122, 40, 40}, 172, kNoLit, "M", A::Letter, 'm', 0, 0},
    {1048, {341, 122, 40, 40}, 159, kNoLit, ", <", A::Shiftable, ',', 0, 0},
    {1049, {381, 122, 40, 40}, 158, kNoLit, ". >", A::Shiftable, '.', 0, 0},
    {1050, {421, 122, 40, 40}, 171, kNoLit, "/ ?", A::Shiftable, '/', '?', 0},
    {1051, {461, 122, 40, 40}, 179, kNoLit, "\\ |", A::Shiftable, '\\', '|', 0},
    {1027, {501, 122, 40, 40}, 129, kNoLit, "` ~", A::Shiftable, '`', 0, 0},
    {1052, {1, 162, 40, 40}, 197, kNoLit, "@", A::Shifted, '2', 0, 0},
    {1054, {41, 162, 40, 40}, 198, kNoLit, "-", A::Char, '-', 0, 0},
    {1058, {81, 162, 40, 40}, 199, kNoLit, "+", A::Shifted, '=', 0, 0},
    {1057, {121, 162, 40, 40}, 200, kNoLit, "=", A::Char, '=', 0, 0},
    {1056, {161, 162, 200, 40}, 196, kNoLit, " ", A::Char, ' ', 0, 0},
    {1060, {361, 162, 40, 40}, 201, kNoLit, "<", A::Shifted, ',', 0, 0},
    {1061, {401, 162, 40, 40}, 202, kNoLit, ">", A::Shifted, '.', 0, 0},
    {1062, {441, 162, 40, 40}, 203, kNoLit, "?", A::Shifted, '/', 0, 0},
    {1063, {481, 162, 60, 40}, 204, kNoLit, "Http://", A::Code, 0, 0, 21},
    {1064, {137, 204, 48, 18}, 214, kNoLit, "English input", A::FirstLayout, 0, 0, 0},
    {1065, {333, 204, 48, 18}, 213, kNoLit, "Chinese input", A::NextLayout, 0, 0, 0},
}};

const KeyDef* FindKey(int id) {
  for (const auto& key : kKeyTable)
    if (key.id == id) return &key;
  return nullptr;
}

PictureSize PictureSizeOf(int picture) {
  switch (picture) {
    case 190:
    case 191:
    case 204:
    case 211:
    case 212: return {88, 58};
    case 195:
    case 209:
    case 210: return {101, 58};
    case 196: return {300, 58};
    case 213:
    case 214: return {69, 25};
    case kMovePicture: return {28, 28};
    default: return {58, 58};
  }
}

std::vector<int> AllPictures() {
  std::vector<int> pictures = {kMovePicture};
  for (const auto& key : kKeyTable) {
    pictures.push_back(key.picture);
    if (key.lit_picture) pictures.push_back(key.lit_picture);
  }
  std::ranges::sort(pictures);
  auto repeated = std::ranges::unique(pictures);
  pictures.erase(repeated.begin(), repeated.end());
  return pictures;
}

std::string SpokenName(const KeyDef& key) {
  struct Word {
    std::string_view legend, spoken;
  };
  static constexpr Word kWords[] = {{"←", "Backspace"}, {" ", "Space"},     {"Caps", "Caps Lock"},
                                    {"Shift", "Shift"}, {"Enter", "Enter"}, {"Tab", "Tab"}};
  for (const Word& word : kWords)
    if (key.legend == word.legend) return TrText(word.spoken);
  return TrText(key.legend);
}

}  // namespace panelia
