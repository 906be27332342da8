source "$PAYLOAD_HELPERS"
icon_file plain.ico plain
