# Run at build time as a script:
#   cmake -DCLI=path/to/orvane-cli -DCOMPLETION=out -DMANINCLUDE=out -P clihelp.cmake
# Walks orvane-cli's commands through their --help, as a user finds them, and writes from what
# they say the bash completion of every command and option, and the help2man section that
# describes each command. Both follow the program, so neither can fall behind it.

set(queue "<top>")
set(commands_cases "")
set(options_cases "")
set(man "[COMMANDS]\n")

while(queue)
    list(POP_FRONT queue path)
    if(path STREQUAL "<top>")
        set(words "")
        set(key "")
    else()
        string(REPLACE "/" ";" words "${path}")
        string(REPLACE "/" " " key "${path}")
    endif()
    execute_process(COMMAND "${CLI}" ${words} --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "orvane-cli ${key} --help failed: ${result}")
    endif()
    # Semicolons would split the text into a list.
    string(REPLACE ";" "," flat "${help}")

    set(names "")
    string(FIND "${flat}" "\nCommands:\n" at)
    if(NOT at EQUAL -1)
        string(SUBSTRING "${flat}" ${at} -1 section)
        string(FIND "${section}" "\n\n" end)
        string(SUBSTRING "${section}" 0 ${end} section)
        string(REGEX MATCHALL "\n  [a-z][a-z-]*" found "${section}")
        foreach(name IN LISTS found)
            string(STRIP "${name}" name)
            list(APPEND names "${name}")
            if(path STREQUAL "<top>")
                list(APPEND queue "${name}")
            else()
                list(APPEND queue "${path}/${name}")
            endif()
        endforeach()
    endif()
    string(REGEX MATCHALL "\n  (-[a-zA-Z], )?--[a-z][a-z-]*" found "${flat}")
    set(options "")
    foreach(option IN LISTS found)
        string(REGEX MATCHALL "-?-[a-zA-Z][a-z-]*" spelled "${option}")
        list(APPEND options ${spelled})
    endforeach()

    list(JOIN names " " names)
    list(JOIN options " " options)
    string(APPEND commands_cases "    \"${key}\") echo \"${names}\" ,,\n")
    string(APPEND options_cases "    \"${key}\") echo \"${options}\" ,,\n")

    # roff: a backslash is written \e, and a line may not start with a control character.
    string(REPLACE "\\" "\\e" roff "${help}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" roff "${roff}")
    if(NOT path STREQUAL "<top>")
        string(APPEND man ".SS \"orvane-cli ${key}\"\n.nf\n${roff}.fi\n")
    endif()
endwhile()

# The cases end in ";;", written ",," above so that no list split them.
file(WRITE "${COMPLETION}" "# bash completion for orvane-cli, made from its help when it was built.

# The commands below a command path, and the options of one.
_orvane_cli_commands()
{
    case \"$1\" in
${commands_cases}    esac
}

_orvane_cli_options()
{
    case \"$1\" in
${options_cases}    esac
}

_orvane_cli()
{
    local cur=\${COMP_WORDS[COMP_CWORD]} path=\"\" commands i
    # The command path is the words after the program that each name a command of the one before;
    # after any other word (a file, an option) no command can follow.
    for ((i = 1; i < COMP_CWORD; i++)); do
        commands=\" $(_orvane_cli_commands \"$path\") \"
        if [[ $commands != *\" \${COMP_WORDS[i]} \"* ]]; then
            path=\"\${path}/arguments\"
            break
        fi
        path=\"\${path:+$path }\${COMP_WORDS[i]}\"
    done
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W \"$(_orvane_cli_options \"\${path%/arguments}\")\" -- \"$cur\")
    else
        mapfile -t COMPREPLY < <(compgen -W \"$(_orvane_cli_commands \"$path\")\" -- \"$cur\")
    fi
}
complete -o bashdefault -o default -F _orvane_cli orvane-cli
")
file(READ "${COMPLETION}" text)
string(REPLACE ",," ";;" text "${text}")
file(WRITE "${COMPLETION}" "${text}")
file(WRITE "${MANINCLUDE}" "${man}")
