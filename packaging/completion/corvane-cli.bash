# Bash completion of corvane-cli: its verbs, each verb's options and their values. Where
# a file or folder is wanted, nothing is offered here and bash completes file names.
# Installed as share/bash-completion/completions/corvane-cli.

_corvane_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()
  if ((COMP_CWORD == 1)); then
    local verbs="show edit icons extract make-icl resolve copy paste commands check fix diff merge export-dc import-dc"
    mapfile -t COMPREPLY < <(compgen -W "$verbs --help --version" -- "$cur")
    return
  fi
  local options
  case ${COMP_WORDS[1]} in
  show) options="--json --text --bytes" ;;
  icons) options="--json --bytes" ;;
  edit) options="--add --insert --delete --move --set --save-as --cache --new --bytes" ;;
  extract) options="" ;;
  make-icl) options="--names --bytes --format" ;;
  resolve) options="--start-path --explain --bytes" ;;
  copy) options="--bytes" ;;
  paste) options="--after --cache --bytes" ;;
  commands) options="--category --filter --json --bytes" ;;
  check) options="--recursive --json" ;;
  fix) options="--portable --count --recursive --dry-run" ;;
  diff) options="--json --bytes" ;;
  merge) options="-o --bytes" ;;
  export-dc) options="-o --into --recursive --icons --wine --icon-size" ;;
  import-dc) options="-o --icl --theme" ;;
  *) return ;;
  esac
  case $prev in
  --cache)
    mapfile -t COMPREPLY < <(compgen -W "off links tcmenu" -- "$cur")
    return
    ;;
  --format)
    mapfile -t COMPREPLY < <(compgen -W "ne pe32" -- "$cur")
    return
    ;;
  # Positions, names, texts, files and folders: bash completes file names.
  --insert | --delete | --move | --after | --category | --filter | --names | --start-path | --save-as | -o | --into | --icons | --icon-size | --icl | --theme)
    return
    ;;
  esac
  # --set POS FIELD VALUE: the field after the position.
  if ((COMP_CWORD >= 3)) && [[ ${COMP_WORDS[COMP_CWORD - 2]} == --set ]]; then
    mapfile -t COMPREPLY < <(compgen -W "icon command params path tooltip runmode" -- "$cur")
    return
  fi
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options --help" -- "$cur")
  fi
}

complete -o default -F _corvane_cli corvane-cli
