// tarnwick-cli: the drive, its sessions and their files from a terminal.
#include <clocale>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "Version.h"
#include "cli/Commands.h"
#include "cli/Completion.h"
#include "cli/ManualPage.h"
#include "cli/Messages.h"
#include "cli/RecoveryArguments.h"
#include "platform/Console.h"
#include "transport/Transport.h"

using namespace tarnwick;
using namespace tarnwick::cli;

namespace {

CLI::Option* AddSessionOption(CLI::App* command, std::optional<int>& session) {
  return command->add_option_function<int>(
             "--session", [&session](const int& value) { session = value; },
             "session number as \"show\" prints it (default: the last session)")
      ->check(CLI::Range(1, 255));
}

void AddGenerationOption(CLI::App* command, std::optional<int>& generation) {
  command->add_option_function<int>(
             "--generation", [&generation](const int& value) { generation = value; },
             "generation of a UDF session as \"show\" counts them, 1 the oldest (default: the newest)")
      ->check(CLI::Range(1, 1 << 20));
}

}  // namespace

int main(int argc, char** argv) {
  // Only what the tool uses of the user's locale: character classes, the decimal
  // point of "show" and the language of the system's error texts. Loading the other
  // categories costs start-up time and changes nothing.
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_NUMERIC, "");
#ifdef LC_MESSAGES
  std::setlocale(LC_MESSAGES, "");
#endif
  // File data goes to standard output byte for byte, and arguments arrive as UTF-8.
  platform::UseBinaryStandardStreams();
  std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
  std::vector<char*> argumentPointers;
  for (std::string& argument : arguments) argumentPointers.push_back(argument.data());

  GlobalOptions global;
  ListOptions list;
  ExtractOptions extract;
  CatOptions cat;
  CheckOptions check;
  ImageOptions image;

  // The program's own name in the usage lines, whatever path it was started by.
  CLI::App app{std::string(kProductName) + " " + kProductVersion +
                   ": shows the sessions of a CD, DVD or BD and copies files out of any one of them",
               "tarnwick-cli"};
  // Parser errors start with the program's name like every other message.
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return std::string("tarnwick-cli: ") + e.what() + "\ntarnwick-cli: run with --help for more information\n";
  });
  app.set_version_flag("--version", std::string(kProductName) + " " + kProductVersion);
  app.set_help_all_flag("--help-all", "print the help of every command and exit");
  // The build writes the shell completion from the parser's own definitions.
  app.add_flag_callback("--bash-completion", [&app] {
       std::cout << BashCompletion(app);
       throw CLI::Success();
     })->group("");
  app.add_flag_callback("--manual-commands", [&app] {
       std::cout << ManualCommands(app);
       throw CLI::Success();
     })->group("");
  // Arguments beginning with "/" are disc paths, never Windows-style options.
  app.allow_windows_style_options(false);
  app.fallthrough();
  app.require_subcommand(1, 1);
  CLI::Option* imageOption = app.add_option("--image", global.images, "disc image or disc description to serve as a virtual drive (repeatable)");
  app.add_option("--map", global.map, "rescue map of the first --image (default: the image's name with .map added)")
      ->needs(imageOption);
  app.add_option("--drive", global.drive, "drive letter to use (default: the first image's drive, else the first drive)");
  app.add_flag("--debug", global.debug, "send the drive component's debug messages to standard error");
  app.add_option("--names", global.names,
                 "which names to show: auto (Rock Ridge, else Joliet, else ISO 9660; Joliet before Rock Ridge names "
                 "that are not UTF-8; UDF when the session has no ISO 9660 volume or more entries in UDF), joliet, "
                 "rockridge, iso or udf")
      ->check(CLI::IsMember({"auto", "joliet", "rockridge", "iso", "udf"}));

  CLI::App* drives = app.add_subcommand("drives", "list the drives, each with the device or image file behind it");
  bool drivesJson = false, showJson = false;
  drives->add_flag("--json", drivesJson, "one JSON document with each drive's letter, address, identity and device");
  CLI::App* show = app.add_subcommand("show", "list the sessions, free space, medium, disc size and used space");
  show->add_flag("--json", showJson, "one JSON document with the figures as numbers, each session and each track");

  CLI::App* ls = app.add_subcommand("ls", "list a directory of a session");
  AddSessionOption(ls, list.session);
  AddGenerationOption(ls, global.generation);
  ls->add_flag("--deleted", global.deleted, "also take the entries a UDF disc marks deleted, named with \" (deleted)\" at their end");
  ls->add_flag("-R,--recursive", list.recursive, "walk the whole subtree");
  ls->add_flag("-l,--long", list.longFormat, "one entry a line with its type, size in bytes, date and time");
  ls->add_flag("--json", list.json, "one JSON document with every entry's name, path, type, size, date, attributes and extents");
  ls->add_option("path", list.path, "directory or file (default: the root)");

  CLI::App* ex = app.add_subcommand("extract", "copy files (with -R whole directories) of a session into a directory");
  AddSessionOption(ex, extract.session);
  AddGenerationOption(ex, global.generation);
  ex->add_flag("--deleted", global.deleted, "also take the entries a UDF disc marks deleted, named with \" (deleted)\" at their end");
  ex->add_flag("-R,--recursive", extract.recursive, "extract directories with everything in them");
  ex->add_option("--to", extract.to, "target directory")->required();
  bool noClobber = false, overwrite = false;
  CLI::Option* keep =
      ex->add_flag("-n,--no-clobber", noClobber, "keep files that exist in the target directory");
  ex->add_flag("--overwrite", overwrite, "replace files that exist without saying so (default: replace, saying so)")
      ->excludes(keep);
  ex->add_flag("--symlinks", extract.symlinks, "create symbolic links as the disc records them (default: skip them)");
  ex->add_flag("--keep-modes", extract.keepModes,
               "give files and directories the permission bits the disc records (never set-user/group-ID or sticky)");
  AddRecoveryOptions(ex, extract.recovery, true, true);
  ex->add_option("paths", extract.paths, "files or directories of the session")->required();

  CLI::App* ct = app.add_subcommand("cat", "write one file's data to standard output");
  AddSessionOption(ct, cat.session);
  AddGenerationOption(ct, global.generation);
  AddRecoveryOptions(ct, cat.recovery, true, false);
  ct->add_flag("--deleted", global.deleted, "also take the entries a UDF disc marks deleted, named with \" (deleted)\" at their end");
  ct->add_option("path", cat.path, "file of the session")->required();

  CLI::App* ck = app.add_subcommand("check", "read every file of a session, writing nothing, and report damaged files");
  AddSessionOption(ck, check.session);
  ck->add_flag("--all", check.all, "read every block of the session too");
  AddRecoveryOptions(ck, check.recovery, false, false);

  CLI::App* im = app.add_subcommand("image", "save a session (or every data track) as an image file with a map of "
                                             "what read well; run again to read only what is missing");
  CLI::Option* imageSession = AddSessionOption(im, image.session);
  im->add_flag("--disc", image.disc, "every data track of the disc, each at its own block address")
      ->excludes(imageSession);
  im->add_option("--to", image.to, "image file")->required();
  im->add_option("--map", image.map, "map file (default: the image's name with .map added)");
  AddRecoveryOptions(im, image.recovery, false, false, false);

  try {
    app.parse(static_cast<int>(argumentPointers.size()), argumentPointers.data());
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::Success&) {
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }

  int status = kExitOk;
  std::optional<CliDrive> drive;
  try {
    drive.emplace(global, std::cerr);
    if (drives->parsed()) {
      status = drivesJson ? CmdDrivesJson(*drive, std::cout) : CmdDrives(*drive, std::cout);
    } else {
      drive->Select();
      if (show->parsed()) {
        status = CmdShow(*drive, showJson, std::cout, std::cerr);
      } else if (ls->parsed()) {
        status = CmdList(*drive, list, std::cout);
      } else if (ex->parsed()) {
        extract.progress = platform::StandardErrorIsTerminal();
        extract.existing = noClobber ? ExistingFiles::Keep
                           : overwrite ? ExistingFiles::Replace
                                       : ExistingFiles::ReplaceSayingSo;
        status = CmdExtract(*drive, extract, std::cout, std::cerr);
      } else if (ct->parsed()) {
        std::cout.flush();
        status = CmdCat(*drive, cat, stdout, std::cerr);
      } else if (im->parsed()) {
        if (image.map.empty()) image.map = image.to + ".map";
        status = CmdImage(*drive, image, std::cout, std::cerr);
      } else if (ck->parsed()) {
        status = CmdCheck(*drive, check, std::cout, std::cerr);
      }
    }
  } catch (const CliError& e) {
    PrintMessage(std::cerr, e.message);
    status = e.status;
  } catch (const std::bad_alloc&) {
    // A disc whose records ask for more memory than the system gives ends the command
    // with a message, not an abort; temporary files went with the unwinding.
    PrintMessage(std::cerr, "out of memory: the disc's records need more memory than the system gives");
    status = kExitFailure;
  }
  // After everything that could be printed: what the import could not read.
  std::cout.flush();
  if (drive) status = drive->ReportImportProblems(status);
  drive.reset();
  // Data that never reached standard output (a full disk, a closed file) is a failure.
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    if (status == kExitOk || status == kExitDamaged) {
      PrintMessage(std::cerr, std::string("cannot write to standard output: ") + std::strerror(errno));
      status = kExitFailure;
    }
  }
  FreeASPI();
  CloseSPTIDrives();
  return status;
}
