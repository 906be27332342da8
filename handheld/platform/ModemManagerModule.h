/* The C boundary between p42r and its ModemManager module
 * (p42r-modemmanager.so), which talks to ModemManager over the system
 * D-Bus. The module is loaded only when a real port is used, so that the
 * program's other paths never load GLib. One entry point hands out a table
 * of functions; a table of another version is not used. Strings returned by
 * the module are freed with its free_text. */
#ifndef P42R_MODEM_MANAGER_MODULE_H
#define P42R_MODEM_MANAGER_MODULE_H

#ifdef __cplusplus
extern "C" {
#endif

#define P42R_MODEM_MANAGER_ABI 1
#define P42R_MODEM_MANAGER_ENTRY "p42r_modem_manager_api"

struct p42r_mm_bus;

struct p42r_mm_api {
  unsigned version; /* P42R_MODEM_MANAGER_ABI */
  /* The system bus, or NULL with *error set. The connection stays open until
   * disconnect: ModemManager ends an inhibition when its caller leaves the bus. */
  struct p42r_mm_bus* (*connect)(char** error);
  void (*disconnect)(struct p42r_mm_bus* bus);
  /* 1 when ModemManager's bus name has an owner, 0 when not, -1 with *error
   * when the bus could not be asked. */
  int (*running)(struct p42r_mm_bus* bus, char** error);
  /* The device UID of the modem one of whose ports has the kernel name
   * `port` (ttyUSB0): 1 with *uid set, 0 when no modem has it, -1 with
   * *error set. */
  int (*modem_device)(struct p42r_mm_bus* bus, const char* port, char** uid, char** error);
  /* InhibitDevice(uid, inhibit): 0 done, -1 with *error set. */
  int (*inhibit)(struct p42r_mm_bus* bus, const char* uid, int inhibit, char** error);
  void (*free_text)(char* text);
};

typedef const struct p42r_mm_api* (*p42r_mm_entry)(unsigned version);

#ifdef __cplusplus
}
#endif

#endif
