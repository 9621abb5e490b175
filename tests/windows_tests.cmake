# What of the tests the Windows build leaves out, each with its reason; everything else is built
# and run under wine by scripts/cross-test. The shared helpers get the few POSIX calls they make
# from tests/windows/posix_compat.h there; other processes start through tests/support/process.h.
set(QUILLBOX_WINDOWS_SKIPPED_TESTS
)
# Test cases (GoogleTest names) left out of an otherwise built program.
set(QUILLBOX_WINDOWS_SKIPPED_CASES
    # The progress meter is drawn only on a terminal, and its interrupt comes from one: the
    # tests run the program on a pseudo-terminal, which Windows has not.
    CliFolders.CompactShowsProgressOnlyOnATerminal
    CliInterchange.InterruptStopsAtTheNextMessage
    # They are about symbolic links, which MinGW's std::filesystem cannot make, Windows allows
    # only with a privilege, and wine's CreateSymbolicLinkW reports made without making.
    FileSystem.ResolvedPathsNameOneDirectoryOnce
    FakeHome.WinePrefixesOfTheFrontEndsEachOnce
    FakeHome.WindowsPathsMapThroughTheDriveLinks
    Discovery.MergedStoresKeepOneEntryPerDirectoryAndNamesThatCanBeKeys
    ConcurrentUseTest.LocksNestWithinAProcessAndEverySpellingOfAStoreSharesOne
    # A case-insensitive file system: a name differing in case only is the same name there, and
    # wine reports success for a case-only rename without doing it. The folder-name rule for such
    # file systems is its own change.
    NetscapeCreate.MakesFileAndDirectoryAndRefusesExistingOrBadNames
    InternetFolders.RenameMovesThePairAndNeverOverwrites
    # It spells an index file in another case by a case-only rename, which wine does not do.
    Caseless.InternetMailIndexInAnotherCaseKeepsItsFolderAndGoesWithIt
    # Python is the oracle, run through a POSIX shell, which wine has not.
    MailDate.RealWorldFormsAgreeWithPython
    MailDate.RandomFormsAgreeWithPython
    MailDate.AsctimeAgreesWithPython
    # Wine has no ISO-2022 code pages (50220-50229) and no EBCDIC 1047; Windows has.
    Charset.TextThatIsNotWhatItSays
    Charset.LabelsOldMailUsesMapToWhatTheyMean
    # The POSIX default (HOME, XDG_CONFIG_HOME); windows_test.cpp checks the Windows one.
    RegistryFileTest.DefaultPathFollowsTheEnvironment
)
string(JOIN ":" filter ${QUILLBOX_WINDOWS_SKIPPED_CASES})
file(WRITE ${CMAKE_BINARY_DIR}/windows-skipped-cases.txt "${filter}\n")

# Removes from `sources_var` (the sources of tests/DIR) what the list above leaves out.
function(quillbox_windows_test_sources dir sources_var)
    set(kept)
    foreach(source ${${sources_var}})
        file(RELATIVE_PATH relative ${CMAKE_CURRENT_SOURCE_DIR} ${source})
        set(skip FALSE)
        foreach(pattern ${QUILLBOX_WINDOWS_SKIPPED_TESTS})
            string(REGEX REPLACE "\\*$" "" prefix ${pattern})
            string(FIND ${relative} ${prefix} at)
            if(at EQUAL 0)
                set(skip TRUE)
            endif()
        endforeach()
        if(NOT skip)
            list(APPEND kept ${source})
        endif()
    endforeach()
    set(${sources_var} ${kept} PARENT_SCOPE)
endfunction()
