# fish completion for corvid-cli: commands, their options and the names they take.

set -l commands list info upload set store assign footswitch tuning-upload set-tuning note-cut \
    tuning-filters midi-channel preset flash version eeprom coefficients backup restore report send \
    history diff
set -l parameters dry sub-mix -1-oct -2-oct wave low-pass high-pass 1st-harmonic split range \
    input-level 1st-harmonic-pitch wave-clip dominant-note-cut high-notes-cut
set -l tunings none standard drop-d dadgad ebabdbgbbbeb

complete -c corvid-cli -f
complete -c corvid-cli -l port -r -F -d 'List the serial port as one more pedal'
complete -c corvid-cli -l emulator -d 'Use the built-in emulated pedal'
complete -c corvid-cli -l json -d 'Print the result as JSON'
complete -c corvid-cli -s v -l verbose -d "Print the debug console's lines on stderr"
complete -c corvid-cli -s q -l quiet -d 'No progress bars'
complete -c corvid-cli -s h -l help -d 'Show the help'
complete -c corvid-cli -s V -l version -d 'Show the version'

complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a list -d 'The FTDI bridges found'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a info -d 'Versions, footswitch, tuning, assignments, parameters'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a upload -d 'Upload an algorithm'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a set -d 'Write one parameter live'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a store -d 'Store the assignable parameters'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a assign -d 'Put a parameter on a control'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a footswitch -d 'What a short and a long press do'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a tuning-upload -d "Upload the note filters' tables"
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a set-tuning -d "Tell the pedal the guitar's tuning"
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a note-cut -d 'The notes the pedal cuts'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a tuning-filters -d 'The cut each open string gets'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a midi-channel -d 'The MIDI channel'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a preset -d "The pedal's values to a preset file, or back"
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a flash -d 'Upgrade the firmware'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a version -d "This editor's version"
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a eeprom -d "Read or erase the pedal's EEPROM"
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a coefficients -d "A note filter's coefficient table"
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a backup -d 'Everything the pedal holds, to a file'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a restore -d 'Put a backup back into the pedal'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a report -d 'A diagnostic report'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a send -d 'Send one raw hex message'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a history -d "The pedal's states kept before each change"
complete -c corvid-cli -n "__fish_seen_subcommand_from history" -a 'list show restore'
complete -c corvid-cli -n "not __fish_seen_subcommand_from $commands" -a diff -d 'The parameters that differ between two states'
complete -c corvid-cli -n "__fish_seen_subcommand_from diff" -a pedal -F

complete -c corvid-cli -n "__fish_seen_subcommand_from set" -a "$parameters on off"
complete -c corvid-cli -n "__fish_seen_subcommand_from assign" -a "1 2 3 4 i ii iii iv remote none bypass preset $parameters"
complete -c corvid-cli -n "__fish_seen_subcommand_from footswitch" -a 'bypass preset'
complete -c corvid-cli -n "__fish_seen_subcommand_from set-tuning tuning-filters" -a "$tunings"
complete -c corvid-cli -n "__fish_seen_subcommand_from note-cut" -a 'A2 A#2 B2 C3 C#3 D3 D#3 E3'
complete -c corvid-cli -n "__fish_seen_subcommand_from midi-channel" -a 'omni 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16'
complete -c corvid-cli -n "__fish_seen_subcommand_from preset" -a 'save load' -F
complete -c corvid-cli -n "__fish_seen_subcommand_from eeprom" -a 'read erase'
complete -c corvid-cli -n "__fish_seen_subcommand_from eeprom" -l start -x -d 'The first address'
complete -c corvid-cli -n "__fish_seen_subcommand_from eeprom" -l end -x -d 'The last address'
complete -c corvid-cli -n "__fish_seen_subcommand_from eeprom" -s o -l output -r -F -d 'Write the bytes to a file'
complete -c corvid-cli -n "__fish_seen_subcommand_from eeprom flash restore" -s y -l yes -d 'Do not ask'
complete -c corvid-cli -n "__fish_seen_subcommand_from flash" -l verify -d 'Read every block back'
complete -c corvid-cli -n "__fish_seen_subcommand_from flash" -l paced -d '8N1 with a pause after every byte'
complete -c corvid-cli -n "__fish_seen_subcommand_from flash backup restore report" -F
complete -c corvid-cli -n "__fish_seen_subcommand_from version" -l check -d 'Ask the site for the newest version'
complete -c corvid-cli -n "__fish_seen_subcommand_from coefficients" -l q -x -d "The filter's Q"
complete -c corvid-cli -n "__fish_seen_subcommand_from coefficients" -l gain -x -d 'The gain in dB'
