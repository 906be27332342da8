source "$PAYLOAD_HELPERS"
icon_file plain.ico plain
icon_file quote.ico "quoted key"
icon_file decoy.ico "the key without its quote"
cab_file one.cab one.txt
cab_file two.cab two.txt
sized_file exact.bin 10240
sized_file large.bin 1000003
: > empty.bin
