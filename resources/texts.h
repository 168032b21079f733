// The program's own texts. Defined in texts.cpp, whose UTF-8 literals the compiler turns into
// Windows-1250; the user-interface layer widens them with that code page before showing them.
#pragma once

// Start-up
extern const char kStartFolderText[];

// Welcome prompt and dialog
extern const char kWelcomeCaption[];
extern const char kWelcomeText[];
extern const char kDialogCaptionFormat[];  // version major, minor
extern const char kDetailsButtonFormat[];  // ">>" or "<<"
extern const char kDetailsShow[];
extern const char kDetailsHide[];
extern const char kCloseButton[];
extern const char kRestartCaption[];
extern const char kRestartText[];
extern const char kReaderType32[];
extern const char kReaderType64[];
extern const char kReaderTypeWin8[];
extern const char kReaderTypeWin8x64[];

// Summary report
extern const char kReaderOutsideList[];
extern const char kLegacyLinePrefix[];
extern const char kDriverLinePrefix[];
extern const char kIeLinePrefix[];
extern const char kNetscapeLinePrefix[];
extern const char kJavaLinePrefix[];
extern const char kOutcomeOk[];
extern const char kOutcomeError[];
extern const char kOutcomeWarning[];
extern const char kLabelOk[];
extern const char kLabelError[];
extern const char kLabelWarning[];
extern const char kLineEnd[];

// Conflict prompt (wide format: %ls names, %I64u sizes)
extern const char kConflictCaption[];
extern const char kConflictFormat[];

// Component messages
extern const char kMsgLegacyDeleteFailed[];
extern const char kMsgUserAbort[];
extern const char kMsgIncomplete[];
extern const char kMsgNoSystemDir[];
extern const char kMsgCopyErrorFormat[];  // code, file
extern const char kMsgNetscapeNotFound[];
extern const char kMsgNetscapeNoProfile[];
extern const char kMsgNetscapePartialFormat[];  // OP, PF
extern const char kMsgJavaNotFound[];
extern const char kMsgJavaNone[];
extern const char kMsgJavaPartialFormat[];  // VM, OL, OP, JP
extern const char kMsgBridgeCopyFailed[];
extern const char kMsgInvalidReaderType[];
extern const char kMsgDriverStartFormat[];  // file name
extern const char kMsgGemplusPresent[];
extern const char kMsgDriverFailedFormat[];        // file name, exit code
extern const char kMsgDriverStillRunningFormat[];  // file name, seconds

// Command line and one instance
extern const char kShortCaption[];
extern const char kUsageLine[];     // the one line a log gets
extern const char kUsageDetails[];  // the rest of the /? box
extern const char kBadSwitchPrefix[];  // followed by the switch
extern const char kAlreadyRunningText[];

// Log of an unattended run: header labels, then the selection, the report and the status labels
extern const char kLogVersionFormat[];  // version major, minor
extern const char kLogStartLabel[];
extern const char kLogEndLabel[];
extern const char kLogExitCodeLabel[];
extern const char kLogComputerLabel[];
extern const char kLogUserLabel[];
extern const char kLogCommandLineLabel[];
extern const char kLogInProgress[];
extern const char kLogSelectionHeading[];
extern const char kLogReportHeading[];
extern const char kLogStatusHeading[];
extern const char kLogEntryFormat[];        // text
extern const char kLogNamedEntryFormat[];   // name, text
extern const char kComponentNameDrivers[];  // as the dialog's check boxes name them
extern const char kComponentNameIe[];
extern const char kComponentNameNetscape[];
extern const char kComponentNameJava[];

// Log of the staged package (unattended runs)
extern const char kLogStagingFolderFormat[];   // source root, staged root
extern const char kLogStagingFailedFormat[];   // parent folder
extern const char kLogFileDiffersFormat[];     // package-relative path
extern const char kLogFileUnreadableFormat[];  // package-relative path
extern const char kLogFileNotWrittenFormat[];  // package-relative path
extern const char kLogFolderStagedFormat[];    // package folder, file count
extern const char kLogFolderLeftOutFormat[];   // package folder
extern const char kLogEarlierRemovedFormat[];  // folder
extern const char kLogEarlierLeftFormat[];     // folder
extern const char kLogEarlierNotOursFormat[];  // folder, reason
extern const char kLogNotMarkedFormat[];       // folder

// Log of the restart's file operations
extern const char kLogReplaceAtRestartFormat[];          // destination
extern const char kLogRestartDeletionWithdrawnFormat[];  // path
extern const char kLogRestartMoveWithdrawnFormat[];      // target, source
extern const char kLogRestartUnreadableFormat[];         // path

// Log: a start without the package folder, a runtime left out and why
extern const char kLogPackageFolderFailed[];
extern const char kLogRuntimeLeftOutFormat[];  // home, reason, folder
extern const char kLogDriverEndedFormat[];         // file name, exit code
extern const char kLogDriverStillRunningFormat[];  // file name, seconds

// The reader type of an unattended run
extern const char kLogReaderGivenFormat[];           // position in the list, name
extern const char kLogWindowsFromKernelFormat[];     // major, minor, build, RtlGetVersion's three, word size, source
extern const char kLogWindowsVersionFormat[];        // major, minor, build, word size, where that was read
extern const char kLogWindowsVersionUnreadFormat[];  // word size, where that was read
extern const char kLogReaderChosenFormat[];          // name, Windows generation, word size
extern const char kWindows64Bit[];
extern const char kWindows32Bit[];
extern const char kWindows8OrLater[];
extern const char kWindowsBefore8[];
extern const char kWindowsUnknownEra[];
extern const char* const kBitnessSourceTexts[4];  // by BitnessSource
extern const char kTrustReasonMissing[];
extern const char kTrustReasonUnreadable[];
extern const char kTrustReasonReparsePoint[];
extern const char kTrustReasonForeignOwner[];
extern const char kTrustReasonNullDacl[];
extern const char kTrustReasonOthersMayWrite[];
extern const char kTrustReasonNotMadeHere[];

// /UNINSTALL: the question, the lines of its report (also its log) and how it ended
extern const char kUninstallCaption[];
extern const char kUninstallQuestion[];
extern const char kLogUninstallHeading[];
extern const char kLogUninstallRemovedFormat[];  // each of these: a full path
extern const char kLogUninstallRestoredFormat[];
extern const char kLogUninstallAtRestartFormat[];
extern const char kLogUninstallRestoreAtRestartFormat[];
extern const char kLogUninstallChangedFormat[];
extern const char kLogUninstallBackupStaysFormat[];
extern const char kLogUninstallNoBackupFormat[];
extern const char kLogUninstallUnreadableFormat[];
extern const char kLogUninstallFailedFormat[];
extern const char kLogUninstallRestoreFailedFormat[];
extern const char kUninstallSummaryFormat[];  // removed, pending, kept, failed, runtimes left out
extern const char kUninstallNothingFound[];
extern const char kUninstallDone[];
extern const char kUninstallAtRestart[];
extern const char kUninstallFailed[];
extern const char kUninstallDriverNote[];
