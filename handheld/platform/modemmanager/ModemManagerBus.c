/* p42r-modemmanager.so: ModemManager's documented D-Bus interface, reached
 * with GDBus on the system bus. Every call is synchronous with its own time
 * limit and never starts ModemManager by bus activation: where it does not
 * run, nothing of it is wanted. */
#include <gio/gio.h>
#include <string.h>

#include "platform/ModemManagerModule.h"

#define MM_SERVICE "org.freedesktop.ModemManager1"
#define MM_PATH "/org/freedesktop/ModemManager1"
#define MM_MODEM_INTERFACE "org.freedesktop.ModemManager1.Modem"
/* Asking is quick; inhibiting disables the modem first, which may take a
 * while on a busy modem. */
#define QUERY_TIMEOUT_MS 5000
#define INHIBIT_TIMEOUT_MS 30000

struct p42r_mm_bus {
  GDBusConnection* connection;
};

static void take_error(GError* failure, const char* what, char** error) {
  if (error != NULL) {
    *error = g_strdup_printf("%s: %s", what, failure != NULL ? failure->message : "no answer");
  }
  g_clear_error(&failure);
}

static struct p42r_mm_bus* mm_connect(char** error) {
  GError* failure = NULL;
  GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SYSTEM, NULL, &failure);
  if (connection == NULL) {
    take_error(failure, "cannot reach the system bus", error);
    return NULL;
  }
  /* The program decides when it ends, not the bus. */
  g_dbus_connection_set_exit_on_close(connection, FALSE);
  struct p42r_mm_bus* bus = g_new0(struct p42r_mm_bus, 1);
  bus->connection = connection;
  return bus;
}

static void mm_disconnect(struct p42r_mm_bus* bus) {
  if (bus == NULL) return;
  g_dbus_connection_close_sync(bus->connection, NULL, NULL);
  g_object_unref(bus->connection);
  g_free(bus);
}

static GVariant* call(struct p42r_mm_bus* bus, const char* service, const char* path, const char* interface,
                      const char* method, GVariant* arguments, const char* reply, int timeout, char** error) {
  GError* failure = NULL;
  GVariant* answer = g_dbus_connection_call_sync(bus->connection, service, path, interface, method, arguments,
                                                 G_VARIANT_TYPE(reply), G_DBUS_CALL_FLAGS_NO_AUTO_START, timeout,
                                                 NULL, &failure);
  if (answer == NULL) take_error(failure, method, error);
  return answer;
}

static int mm_running(struct p42r_mm_bus* bus, char** error) {
  GVariant* answer = call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                          "NameHasOwner", g_variant_new("(s)", MM_SERVICE), "(b)", QUERY_TIMEOUT_MS, error);
  if (answer == NULL) return -1;
  gboolean owned = FALSE;
  g_variant_get(answer, "(b)", &owned);
  g_variant_unref(answer);
  return owned ? 1 : 0;
}

/* Whether a modem's Ports (a(su): kernel name, port type) name `port`. */
static gboolean lists_port(GVariant* ports, const char* port) {
  GVariantIter iter;
  const char* name = NULL;
  guint32 type = 0;
  g_variant_iter_init(&iter, ports);
  while (g_variant_iter_next(&iter, "(&su)", &name, &type)) {
    if (strcmp(name, port) == 0) return TRUE;
  }
  return FALSE;
}

static int mm_modem_device(struct p42r_mm_bus* bus, const char* port, char** uid, char** error) {
  GVariant* answer = call(bus, MM_SERVICE, MM_PATH, "org.freedesktop.DBus.ObjectManager", "GetManagedObjects", NULL,
                          "(a{oa{sa{sv}}})", QUERY_TIMEOUT_MS, error);
  if (answer == NULL) return -1;
  int found = 0;
  GVariant* objects = g_variant_get_child_value(answer, 0);
  GVariantIter objectIter;
  const char* path = NULL;
  GVariant* interfaces = NULL;
  g_variant_iter_init(&objectIter, objects);
  while (found == 0 && g_variant_iter_next(&objectIter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
    GVariant* modem = g_variant_lookup_value(interfaces, MM_MODEM_INTERFACE, G_VARIANT_TYPE("a{sv}"));
    if (modem != NULL) {
      GVariant* ports = g_variant_lookup_value(modem, "Ports", G_VARIANT_TYPE("a(su)"));
      GVariant* device = g_variant_lookup_value(modem, "Device", G_VARIANT_TYPE_STRING);
      if (ports != NULL && device != NULL && lists_port(ports, port)) {
        *uid = g_variant_dup_string(device, NULL);
        found = 1;
      }
      if (ports != NULL) g_variant_unref(ports);
      if (device != NULL) g_variant_unref(device);
      g_variant_unref(modem);
    }
    g_variant_unref(interfaces);
  }
  g_variant_unref(objects);
  g_variant_unref(answer);
  return found;
}

static int mm_inhibit(struct p42r_mm_bus* bus, const char* uid, int inhibit, char** error) {
  GVariant* answer = call(bus, MM_SERVICE, MM_PATH, MM_SERVICE, "InhibitDevice",
                          g_variant_new("(sb)", uid, inhibit ? TRUE : FALSE), "()", INHIBIT_TIMEOUT_MS, error);
  if (answer == NULL) return -1;
  g_variant_unref(answer);
  return 0;
}

static void mm_free_text(char* text) { g_free(text); }

static const struct p42r_mm_api api = {
    P42R_MODEM_MANAGER_ABI, mm_connect, mm_disconnect, mm_running, mm_modem_device, mm_inhibit, mm_free_text,
};

__attribute__((visibility("default"))) const struct p42r_mm_api* p42r_modem_manager_api(unsigned version) {
  return version == P42R_MODEM_MANAGER_ABI ? &api : NULL;
}
