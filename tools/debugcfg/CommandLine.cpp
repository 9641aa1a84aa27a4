// SPDX-License-Identifier: BSD-2-Clause
// Copyright (c) 2026 The ComLink Authors

#include "tools/debugcfg/CommandLine.h"

#include "ComLinkVersion.h"
#include "tools/debugcfg/Describe.h"
#include "tools/debugcfg/Encoding.h"
#include "tools/debugcfg/Record.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <getopt.h>
#include <istream>
#include <optional>
#include <ostream>

namespace debugcfg {

const char *const HelpText =
    R"(debugcfg - make and read the DebugMessageConfig variable of ComLinkDxe and SerialTracePei

The variable (vendor GUID 091aae73-6d75-479e-8d16-8e38d8c858c6, 22 bytes) sets
  - the level mask both modules filter their debug messages with, and
  - three output switches of the PEI serial console (SerialTracePei).

Usage:
  debugcfg [RECORD OPTIONS] [OUTPUT OPTIONS]
  debugcfg --show FILE                 explain a stored record
  debugcfg --help | --version

Options take their value as the next argument or after "=" (--levels=ERROR,INFO);
"--" ends the options. FILE "-" is standard input for --from and --show and standard
output for --raw and --efivarfs.

Start from (default: preset 0, PEI console: progress off, errors on, other on):
  --from FILE          a stored record: 22 raw bytes, or an efivarfs file (26 bytes)
  --from-hex HEX       a record as 44 hex digits

Level mask (at most one):
  --preset P           default (0x8800004F), info (0x00000040), error (0x80000000),
                       warn (0x00000002), all (0xFFFFFFCF), none (nothing), or 0-255
                       (5 and above select nothing)
  --levels L1,L2,...   exactly these levels; names (case does not matter):
                       INIT WARN LOAD FS INFO DISPATCH VARIABLE BM BLKIO NET UNDI
                       LOADFILE EVENT GCD CACHE VERBOSE ERROR, or "none"
  --mask M             exactly this mask (hex with 0x, or decimal); refused when it
                       holds a bit that none of the levels above selects, unless it
                       is the mask of a preset (0x8800004F, 0xFFFFFFCF)

PEI serial console switches (on or off):
  --pei-progress on|off   progress codes
  --pei-error on|off      error codes and assertions
  --pei-other on|off      ASCII strings and codes of no known class

Output (any number, in this order; without one, --describe):
  --describe           explain the record: level mask, levels, PEI console switches
  --hex                print the 22 bytes as 44 hex digits
  --uboot              print the U-Boot shell command that stores the variable
  --raw FILE           write the 22 bytes to FILE
  --efivarfs FILE      write attributes (non-volatile, boot service, runtime) and data,
                       as Linux's efivarfs expects
  -h, --help           this text
  --version            the ComLink version this debugcfg belongs to

Exit status:
  0  done
  1  bad data: a value, record or file that cannot be used, or a file that cannot be
     read or written; nothing is written after the first such problem
  2  usage: an unknown or repeated option, a missing value, options that exclude
     each other

Examples:
  debugcfg --levels ERROR,WARN,INFO --uboot
      then paste the printed "setenv -e ..." line into U-Boot's shell; check it with
      printenv -e -guid 091aae73-6d75-479e-8d16-8e38d8c858c6 DebugMessageConfig
      (U-Boot keeps non-volatile variables in ubootefi.var on the EFI system partition;
      without one it says "Failed to persist EFI variables" and the value lasts until reset)
  debugcfg --preset error --pei-progress off --efivarfs \
      /sys/firmware/efi/efivars/DebugMessageConfig-091aae73-6d75-479e-8d16-8e38d8c858c6
      (as root; an existing variable file must first be made writable: chattr -i FILE)
  debugcfg --show /sys/firmware/efi/efivars/DebugMessageConfig-091aae73-6d75-479e-8d16-8e38d8c858c6
  debugcfg --from-hex 00000101000000000000000000000000000000000000 --pei-progress on --hex

The modules read the variable as they start, so a change made from a running OS takes
effect at the next boot; one made in U-Boot's shell reaches the drivers loaded after it.
)";

namespace {

enum class OutputKind { Describe, Hex, UBoot, Raw, Efivarfs };

struct Output {
  OutputKind Kind;
  std::string Path;
};

struct Request {
  std::optional<std::string> FromFile;
  std::optional<std::string> FromHex;
  std::optional<std::string> Preset;
  std::optional<std::string> Levels;
  std::optional<std::string> Mask;
  std::optional<std::string> PeiSwitch[3];
  std::vector<Output> Outputs;
  bool Help = false;
  bool Version = false;
};

constexpr const char *PeiSwitchOptions[] = {"--pei-progress", "--pei-error", "--pei-other"};

// getopt_long's answer for each long option; the PEI switches are three in a row.
enum OptionId : int {
  HelpOption = 'h',
  VersionOption = 0x100,
  FromOption,
  ShowOption,
  FromHexOption,
  PresetOption,
  LevelsOption,
  MaskOption,
  DescribeOption,
  HexOption,
  UBootOption,
  RawOption,
  EfivarfsOption,
  PeiProgressOption,
  PeiErrorOption,
  PeiOtherOption,
};

constexpr option LongOptions[] = {
    {"help", no_argument, nullptr, HelpOption},
    {"version", no_argument, nullptr, VersionOption},
    {"from", required_argument, nullptr, FromOption},
    {"show", required_argument, nullptr, ShowOption},
    {"from-hex", required_argument, nullptr, FromHexOption},
    {"preset", required_argument, nullptr, PresetOption},
    {"levels", required_argument, nullptr, LevelsOption},
    {"mask", required_argument, nullptr, MaskOption},
    {"describe", no_argument, nullptr, DescribeOption},
    {"hex", no_argument, nullptr, HexOption},
    {"uboot", no_argument, nullptr, UBootOption},
    {"raw", required_argument, nullptr, RawOption},
    {"efivarfs", required_argument, nullptr, EfivarfsOption},
    {"pei-progress", required_argument, nullptr, PeiProgressOption},
    {"pei-error", required_argument, nullptr, PeiErrorOption},
    {"pei-other", required_argument, nullptr, PeiOtherOption},
    {nullptr, 0, nullptr, 0},
};

struct UsageError {
  std::string Message;
};

// The option as the user wrote it, without an "=value" part.
std::string OptionName(const char *Arg) {
  const std::string Text = Arg;
  return Text.substr(0, Text.find('='));
}

std::optional<UsageError> ApplyOption(int Id, const std::string &Name, const char *Value,
                                      Request &Req) {
  auto Once = [&](std::optional<std::string> &Slot) -> std::optional<UsageError> {
    if (Slot) {
      return UsageError{Name + " is given twice"};
    }
    Slot = Value;
    return std::nullopt;
  };
  switch (Id) {
  case HelpOption:
    Req.Help = true;
    return std::nullopt;
  case VersionOption:
    Req.Version = true;
    return std::nullopt;
  case ShowOption:
    Req.Outputs.push_back({OutputKind::Describe, {}});
    return Once(Req.FromFile);
  case FromOption:
    return Once(Req.FromFile);
  case FromHexOption:
    return Once(Req.FromHex);
  case PresetOption:
    return Once(Req.Preset);
  case LevelsOption:
    return Once(Req.Levels);
  case MaskOption:
    return Once(Req.Mask);
  case DescribeOption:
    Req.Outputs.push_back({OutputKind::Describe, {}});
    return std::nullopt;
  case HexOption:
    Req.Outputs.push_back({OutputKind::Hex, {}});
    return std::nullopt;
  case UBootOption:
    Req.Outputs.push_back({OutputKind::UBoot, {}});
    return std::nullopt;
  case RawOption:
    Req.Outputs.push_back({OutputKind::Raw, Value});
    return std::nullopt;
  case EfivarfsOption:
    Req.Outputs.push_back({OutputKind::Efivarfs, Value});
    return std::nullopt;
  case PeiProgressOption:
  case PeiErrorOption:
  case PeiOtherOption:
    return Once(Req.PeiSwitch[Id - PeiProgressOption]);
  default:
    return UsageError{"unknown option '" + Name + "'"};
  }
}

std::optional<UsageError> ParseArgs(const std::vector<std::string> &Args, Request &Req) {
  // getopt_long permutes and reads a C argument vector; it gets copies it may reorder.
  std::vector<std::string> Copies{"debugcfg"};
  Copies.insert(Copies.end(), Args.begin(), Args.end());
  std::vector<char *> Argv;
  Argv.reserve(Copies.size() + 1);
  for (std::string &Arg : Copies) {
    Argv.push_back(Arg.data());
  }
  Argv.push_back(nullptr);
  const int Argc = static_cast<int>(Copies.size());
  // Zero makes getopt start afresh, as each Run must; messages are ours, not getopt's.
  optind = 0;
  opterr = 0;
  int Id = 0;
  while ((Id = getopt_long(Argc, Argv.data(), ":h", LongOptions, nullptr)) != -1) {
    const std::string Name = OptionName(Argv[optind - 1]);
    if (Id == ':') {
      const bool FileOption = optopt == RawOption || optopt == EfivarfsOption;
      return UsageError{Name + (FileOption ? " needs a file name (\"-\" for standard output)"
                                           : " needs a value")};
    }
    if (Id == '?') {
      const bool Long = Name.rfind("--", 0) == 0;
      if (Long && optopt != 0) {
        return UsageError{Name + " takes no value"};
      }
      return UsageError{"unknown option '" +
                        (Long ? Name : std::string("-") + static_cast<char>(optopt)) + "'"};
    }
    if (auto Error = ApplyOption(Id, Name, optarg, Req)) {
      return Error;
    }
  }
  if (optind < Argc) {
    return UsageError{"unexpected argument '" + std::string(Argv[optind]) +
                      "' (every input and output is given with an option)"};
  }
  if (Req.FromFile && Req.FromHex) {
    return UsageError{"--from/--show and --from-hex cannot be combined"};
  }
  if (int{Req.Preset.has_value()} + int{Req.Levels.has_value()} + int{Req.Mask.has_value()} > 1) {
    return UsageError{"choose one of --preset, --levels and --mask"};
  }
  return std::nullopt;
}

// A stored record is at most 26 bytes; reading stops well past that, so that a device or an
// endless pipe given as the record cannot keep debugcfg reading for ever.
constexpr std::size_t ReadLimit = 4096;

Outcome<std::vector<std::uint8_t>> ReadFile(const std::string &Path, std::istream &In) {
  using Result = Outcome<std::vector<std::uint8_t>>;
  const bool Standard = Path == "-";
  std::FILE *File = Standard ? nullptr : std::fopen(Path.c_str(), "rb");
  if (!Standard && File == nullptr) {
    return Result::Fail("cannot open " + Path + ": " + std::strerror(errno));
  }
  std::vector<std::uint8_t> Bytes(ReadLimit + 1);
  std::size_t Count = 0;
  bool Failed = false;
  if (Standard) {
    In.read(reinterpret_cast<char *>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    Count = static_cast<std::size_t>(In.gcount());
    Failed = In.bad();
  } else {
    Count = std::fread(Bytes.data(), 1, Bytes.size(), File);
    Failed = std::ferror(File) != 0;
    std::fclose(File);
  }
  const std::string Name = Standard ? "standard input" : Path;
  if (Failed) {
    return Result::Fail("cannot read " + Name);
  }
  if (Count > ReadLimit) {
    return Result::Fail(Name + ": more than " + std::to_string(ReadLimit) +
                        " bytes, far too long for a record (22 bytes, 26 in an efivarfs file)");
  }
  Bytes.resize(Count);
  return Bytes;
}

std::optional<std::string> WriteFile(const std::string &Path,
                                     const std::vector<std::uint8_t> &Bytes, std::ostream &Out) {
  if (Path == "-") {
    Out.write(reinterpret_cast<const char *>(Bytes.data()),
              static_cast<std::streamsize>(Bytes.size()));
    return std::nullopt;
  }
  std::FILE *File = std::fopen(Path.c_str(), "wb");
  if (File == nullptr) {
    const int Error = errno;
    std::string Message = "cannot write " + Path + ": " + std::strerror(Error);
    if (Error == EPERM) {
      Message += " (an existing efivarfs file is immutable: run chattr -i on it first)";
    }
    return Message;
  }
  // efivarfs takes the whole variable in one write.
  const bool Written = std::fwrite(Bytes.data(), 1, Bytes.size(), File) == Bytes.size();
  const bool Closed = std::fclose(File) == 0;
  if (!Written || !Closed) {
    return "cannot write " + Path + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

Outcome<std::uint8_t> ParseSwitch(const std::string &Option, const std::string &Text) {
  if (Text == "on" || Text == "1") {
    return std::uint8_t{1};
  }
  if (Text == "off" || Text == "0") {
    return std::uint8_t{0};
  }
  return Outcome<std::uint8_t>::Fail(Option + " takes on or off, not '" + Text + "'");
}

Outcome<StoredRecord> BuildRecord(const Request &Req, std::istream &In) {
  StoredRecord Stored{RecordForPreset(0), std::nullopt};
  Stored.Record.PeiProgressOutput = 0;
  Stored.Record.PeiErrorOutput = 1;
  Stored.Record.PeiOtherOutput = 1;
  if (Req.FromFile) {
    const auto Bytes = ReadFile(*Req.FromFile, In);
    if (!Bytes) {
      return Outcome<StoredRecord>::Fail(Bytes.Error());
    }
    const auto Decoded = DecodeStored(*Bytes);
    if (!Decoded) {
      const std::string Source = *Req.FromFile == "-" ? "standard input" : *Req.FromFile;
      return Outcome<StoredRecord>::Fail(Source + ": " + Decoded.Error());
    }
    Stored = *Decoded;
  } else if (Req.FromHex) {
    const auto Parsed = ParseHex(*Req.FromHex);
    if (!Parsed) {
      return Outcome<StoredRecord>::Fail("--from-hex: " + Parsed.Error());
    }
    Stored.Record = *Parsed;
  }

  std::optional<DEBUG_MESSAGE_CONFIG> Levels;
  if (Req.Preset) {
    const auto Preset = ParsePreset(*Req.Preset);
    if (!Preset) {
      return Outcome<StoredRecord>::Fail("--preset: " + Preset.Error());
    }
    Levels = RecordForPreset(*Preset);
  } else if (Req.Levels || Req.Mask) {
    const auto Mask = Req.Levels ? ParseLevels(*Req.Levels) : ParseNumber(*Req.Mask, 0xFFFFFFFF);
    if (!Mask) {
      return Outcome<StoredRecord>::Fail((Req.Levels ? "--levels: " : "--mask: ") + Mask.Error());
    }
    const auto Record = RecordForMask(*Mask);
    if (!Record) {
      return Outcome<StoredRecord>::Fail("--mask: " + Record.Error());
    }
    Levels = *Record;
  }
  if (Levels) {
    Stored.Record.Preset = Levels->Preset;
    Stored.Record.CustomSelection = Levels->CustomSelection;
    std::memcpy(Stored.Record.LevelSwitch, Levels->LevelSwitch, sizeof(Stored.Record.LevelSwitch));
  }

  std::uint8_t *Gates[] = {&Stored.Record.PeiProgressOutput, &Stored.Record.PeiErrorOutput,
                           &Stored.Record.PeiOtherOutput};
  for (std::size_t Gate = 0; Gate < 3; Gate++) {
    if (Req.PeiSwitch[Gate]) {
      const auto Value = ParseSwitch(PeiSwitchOptions[Gate], *Req.PeiSwitch[Gate]);
      if (!Value) {
        return Outcome<StoredRecord>::Fail(Value.Error());
      }
      *Gates[Gate] = *Value;
    }
  }
  return Stored;
}

// A full disk or a closed pipe behind standard output is a failure too.
bool Flushed(std::ostream &Out, std::ostream &Err) {
  if (Out.flush()) {
    return true;
  }
  Err << "debugcfg: cannot write standard output\n";
  return false;
}

} // namespace

int Run(const std::vector<std::string> &Args, std::istream &In, std::ostream &Out,
        std::ostream &Err) {
  Request Req;
  if (const auto Usage = ParseArgs(Args, Req)) {
    Err << "debugcfg: " << Usage->Message << "\nRun debugcfg --help for the options.\n";
    return 2;
  }
  if (Req.Help) {
    Out << HelpText;
    return Flushed(Out, Err) ? 0 : 1;
  }
  if (Req.Version) {
    Out << "debugcfg (ComLink) " << ComLinkVersion << '\n';
    return Flushed(Out, Err) ? 0 : 1;
  }
  const auto Stored = BuildRecord(Req, In);
  if (!Stored) {
    Err << "debugcfg: " << Stored.Error() << '\n';
    return 1;
  }
  if (Req.Outputs.empty()) {
    Req.Outputs.push_back({OutputKind::Describe, {}});
  }
  for (const Output &Item : Req.Outputs) {
    std::optional<std::string> Error;
    switch (Item.Kind) {
    case OutputKind::Describe:
      Out << Describe(*Stored);
      break;
    case OutputKind::Hex:
      Out << HexString(Stored->Record) << '\n';
      break;
    case OutputKind::UBoot:
      Out << UBootCommand(Stored->Record) << '\n';
      break;
    case OutputKind::Raw:
      Error = WriteFile(Item.Path, RawBytes(Stored->Record), Out);
      break;
    case OutputKind::Efivarfs:
      Error = WriteFile(Item.Path, EfivarfsBytes(Stored->Record), Out);
      break;
    }
    if (Error) {
      Err << "debugcfg: " << *Error << '\n';
      return 1;
    }
    if (!Flushed(Out, Err)) {
      return 1;
    }
  }
  return 0;
}

} // namespace debugcfg
