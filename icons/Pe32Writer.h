#pragma once
// Unit IconLibrary, TPe32Writer: writes a library (TIconLibrary) as a 32-bit icon library, a
// resource-only PE32 DLL as Windows and Total Commander read any module: an "MZ" stub, a PE
// header and one ".rsrc" section holding one group icon per icon, one icon resource per image
// and a version resource naming Corvane. No code, no imports, no relocations.
#include <cstdint>
#include <string>
#include <vector>

namespace icons {

class TIconLibrary;

class TPe32Writer {
public:
  explicit TPe32Writer(const TIconLibrary &library);

  // Builds the file and writes it atomically. Raises EICLReadError, before the file is
  // touched, for a library that cannot be written: no icons; more than 65535 icons or
  // images; a name that is empty or that two icons share (case aside).
  void WriteToFile(const std::string &fileName);
  // Builds the file and returns its bytes; raises as WriteToFile does.
  std::string WriteToBytes();

  // The positions of the library's icons in the order the written file lists them, which
  // is the order every reader (Windows, Total Commander, Corvane) numbers them in: a
  // resource directory keeps named groups sorted by name before the numbered ones in
  // ascending order. An icon whose name is a decimal number from 1 to 65535 is stored
  // under that number; any other under its name in upper case, as Windows looks names up.
  static std::vector<int> GroupOrder(const TIconLibrary &library);

private:
  const TIconLibrary &Library;
};

} // namespace icons
