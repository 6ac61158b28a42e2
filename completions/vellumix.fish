# fish completion for vellumix
complete -c vellumix -n __fish_is_first_arg -a capture -d 'Capture text from the screen'
complete -c vellumix -n __fish_is_first_arg -a workspace -d 'Show the workspace window'
complete -c vellumix -n __fish_is_first_arg -l help -s h -d 'Print the usage'
complete -c vellumix -n '__fish_seen_subcommand_from capture' -l multiple -d 'Several regions'
complete -c vellumix -n '__fish_seen_subcommand_from capture' -l full -d 'The full screen'
