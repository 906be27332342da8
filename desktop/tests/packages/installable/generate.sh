source "$PAYLOAD_HELPERS"
cab_file P42RUpdate.ARM.cab P42RUpdate.exe P42RUpdate.dll
cab_file P42RUpdate.MIPS.cab P42RUpdate.exe P42RUpdate.dll
cab_file P42RMonitor.cab P42RMonitor.exe
cab_file P42RShared.cab P42RShared.dat
for icon in P42RUpdate P42RMonitor P42RShared; do
  icon_file "$icon.ico" "$icon"
done
