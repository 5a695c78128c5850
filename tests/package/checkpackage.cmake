# Run by CTest as a script:
#   cmake -DBUILD_DIR=... -DWORK=... -DCPACK=... -DDPKG_DEB=... -DLINTIAN=... -DBASH=...
#         [-DVALIDATE=...] -P checkpackage.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${CPACK}" -G DEB -B "${WORK}" --config "${BUILD_DIR}/CPackConfig.cmake"
                RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
file(GLOB debs "${WORK}/orvane_*.deb")
list(LENGTH debs count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "cpack -G DEB made ${count} packages (${result}): ${said}")
endif()
set(deb "${debs}")

set(failures "")
macro(fail text)
    list(APPEND failures "${text}")
endmacro()

# No error; warnings and notes are shown. A tag overridden here would be listed with its reason.
execute_process(COMMAND "${LINTIAN}" --fail-on error --tag-display-limit 0 "${deb}"
                RESULT_VARIABLE result OUTPUT_VARIABLE tags ERROR_VARIABLE tags)
if(NOT result EQUAL 0)
    fail("lintian finds errors:\n${tags}")
elseif(tags)
    message(STATUS "lintian:\n${tags}")
endif()

# The dependencies are what the programs link, found by dpkg-shlibdeps.
execute_process(COMMAND "${DPKG_DEB}" --field "${deb}" Depends OUTPUT_VARIABLE depends)
foreach(library libc6 libqt6core6 libqt6widgets6 zlib1g)
    if(NOT depends MATCHES "(^|, )${library}( |,|$)")
        fail("the package does not depend on ${library}: ${depends}")
    endif()
endforeach()

set(root "${WORK}/root")
execute_process(COMMAND "${DPKG_DEB}" -x "${deb}" "${root}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    fail("dpkg-deb -x failed: ${result}")
endif()
foreach(file bin/orvane bin/orvane-cli share/applications/orvane.desktop
             share/metainfo/orvane.metainfo.xml share/icons/hicolor/16x16/apps/orvane.png
             share/icons/hicolor/32x32/apps/orvane.png share/man/man1/orvane.1.gz
             share/man/man1/orvane-cli.1.gz share/bash-completion/completions/orvane-cli
             share/doc/orvane/copyright share/doc/orvane/changelog.gz)
    if(NOT EXISTS "${root}/usr/${file}")
        fail("the package has no /usr/${file}")
    endif()
endforeach()

# The unpacked, stripped program runs, on the libraries the package depends on.
execute_process(COMMAND "${root}/usr/bin/orvane-cli" --version OUTPUT_VARIABLE version
                RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT version MATCHES "^orvane-cli [0-9]")
    fail("the packaged orvane-cli --version says \"${version}\" (${result})")
endif()

# The manual of orvane-cli describes every command, nested ones included.
execute_process(COMMAND gzip -dc "${root}/usr/share/man/man1/orvane-cli.1.gz" OUTPUT_VARIABLE man)
foreach(command dump find relsearch "table import" "table export" encode decode pointers
                "script dump" "script insert" "ips create" "ips apply" "bps create" "bps apply"
                "snes info" "snes fix-checksum" "snes header add" "snes header remove" addr)
    string(FIND "${man}" ".SS \"orvane-cli ${command}\"" at)
    if(at EQUAL -1)
        fail("the manual page of orvane-cli does not describe ${command}")
    endif()
endforeach()
if(NOT man MATCHES "\n\\.SH NAME\norvane-cli \\\\- ")
    fail("the manual page of orvane-cli has no NAME line")
endif()

# The completion offers the commands below the path typed, and the options of the command.
set(completion "${root}/usr/share/bash-completion/completions/orvane-cli")
foreach(case "orvane-cli|0|du|dump" "orvane-cli|0|d|dump decode" "orvane-cli ips|1|ap|apply" "orvane-cli snes header|2|r|remove"
             "orvane-cli dump|1|--ra|--raw" "orvane-cli ips apply|2|--in|--in-place"
             "orvane-cli|0|--v|--version" "orvane-cli ips x.smc|2|ap|")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 typed)
    list(GET case 1 word)
    list(GET case 2 current)
    list(GET case 3 expected)
    math(EXPR cword "${word} + 1")
    execute_process(COMMAND "${BASH}" -c "source \"$0\"
        COMP_WORDS=(${typed} ${current}); COMP_CWORD=${cword}; _orvane_cli
        echo -n \"\${COMPREPLY[*]}\"" "${completion}"
        OUTPUT_VARIABLE offered ERROR_VARIABLE problem RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR NOT offered STREQUAL expected OR problem)
        fail("completing \"${typed} ${current}\" offers \"${offered}\", not \"${expected}\" ${problem}")
    endif()
endforeach()

# One main category, as desktop menus expect: desktop-file-validate says nothing, hints included.
if(VALIDATE)
    execute_process(COMMAND "${VALIDATE}" "${root}/usr/share/applications/orvane.desktop"
                    RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT result EQUAL 0 OR said)
        fail("desktop-file-validate: ${said}")
    endif()
endif()

if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "The package is wrong:\n  ${text}")
endif()
message(STATUS "${deb} passes")
