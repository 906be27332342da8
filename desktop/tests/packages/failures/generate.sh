source "$PAYLOAD_HELPERS"
icon_file plain.ico plain
cab_file one.cab one.txt
