#include "app/platform/x11/XcbCaptureBackend.h"

#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include <QCoreApplication>
#include <QString>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>

#include "app/platform/x11/ShmSegment.h"
#include "app/platform/x11/XcbConnection.h"
#include "app/platform/x11/XcbDamageWatch.h"

#include "kit/Error.h"

namespace platform::x11 {

namespace {

template <class T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

// Atoms the backend reads, interned once per connection.
enum AtomIndex : std::size_t {
    netClientList,
    netClientListStacking,
    netWmWindowType,
    netWmState,
    netWmStateHidden,
    netFrameExtents,
    netWmName,
    utf8String,
    typeNormal,
    typeDialog,
    typeDesktop,
    typeDock,
    typeToolbar,
    typeMenu,
    typeUtility,
    typeSplash,
    typeDropdownMenu,
    typePopupMenu,
    typeTooltip,
    typeNotification,
    typeCombo,
    typeDnd,
    atomCount,
};

constexpr std::array<std::string_view, atomCount> atomNames = {
    "_NET_CLIENT_LIST",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_FRAME_EXTENTS",
    "_NET_WM_NAME",
    "UTF8_STRING",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",
    "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_COMBO",
    "_NET_WM_WINDOW_TYPE_DND",
};

constexpr std::array<WindowType, atomCount - typeNormal> typesInAtomOrder = {
    WindowType::normal,  WindowType::dialog,       WindowType::desktop,   WindowType::dock,
    WindowType::toolbar, WindowType::menu,         WindowType::utility,   WindowType::splash,
    WindowType::dropdownMenu, WindowType::popupMenu, WindowType::tooltip, WindowType::notification,
    WindowType::combo,   WindowType::dnd,
};

std::string text(const char* source) {
    return QCoreApplication::translate("XcbCaptureBackend", source).toStdString();
}

const char* const unreachable = QT_TRANSLATE_NOOP("XcbCaptureBackend", "Glimpo can't reach the X server.");
const char* const unsupportedPixels = QT_TRANSLATE_NOOP("XcbCaptureBackend", "The screen's pixel format isn't supported.");

} // namespace

struct XcbCaptureBackend::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    std::array<xcb_atom_t, atomCount> atoms{};
    bool randrMonitors = false;
    bool shm = false;
    std::uint8_t damageEvent = 0;
    bool damage = false;
    // One shared-memory segment, grown when a grab needs more; lent to a grab while it runs.
    ShmSegment segment;
};

namespace {

using Connection = XcbCaptureBackend::Connection;

std::shared_ptr<Connection> open() {
    auto connection = std::make_shared<Connection>();
    connection->c = platform::x11::connection();
    if (!connection->c || xcb_connection_has_error(connection->c)) throw kit::Error(text(unreachable));
    connection->root = rootWindow();

    std::array<xcb_intern_atom_cookie_t, atomCount> cookies{};
    for (std::size_t i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(connection->c, 0, atomNames[i].size(), atomNames[i].data());
    const auto randr = xcb_randr_query_version(connection->c, 1, 5);
    const auto shm = xcb_shm_query_version(connection->c);
    const auto damage = xcb_damage_query_version(connection->c, 1, 1);
    for (std::size_t i = 0; i < atomCount; ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection->c, cookies[i], nullptr));
        connection->atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }
    if (Reply<xcb_randr_query_version_reply_t> reply{xcb_randr_query_version_reply(connection->c, randr, nullptr)})
        connection->randrMonitors = reply->major_version > 1 || reply->minor_version >= 5;
    Reply<xcb_shm_query_version_reply_t> shmReply(xcb_shm_query_version_reply(connection->c, shm, nullptr));
    connection->shm = shmReply != nullptr;
    Reply<xcb_damage_query_version_reply_t> damageReply(xcb_damage_query_version_reply(connection->c, damage, nullptr));
    if (damageReply) {
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection->c, &xcb_damage_id);
        if (extension && extension->present) {
            connection->damage = true;
            connection->damageEvent = extension->first_event;
        }
    }
    if (xcb_connection_has_error(connection->c)) throw kit::Error(text(unreachable));
    return connection;
}

Reply<xcb_get_property_reply_t> propertyReply(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (reply && reply->type == XCB_ATOM_NONE) reply.reset();
    return reply;
}

std::vector<std::uint32_t> words(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    return {data, data + xcb_get_property_value_length(reply) / 4};
}

std::string bytes(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

xcb_get_property_cookie_t property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom, std::uint32_t words) {
    return xcb_get_property(c, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, words);
}

std::vector<xcb_window_t> mappedRootChildren(Connection& x) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x.c, xcb_query_tree(x.c, x.root), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(count);
    for (int i = 0; i < count; ++i) cookies.push_back(xcb_get_window_attributes(x.c, children[i]));
    std::vector<xcb_window_t> result;
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(x.c, cookies[i], nullptr));
        if (attributes && !attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            result.push_back(children[i]);
    }
    return result;
}

// The root's pixels are 32 bits with the host's byte order almost everywhere; anything else is
// refused rather than misread.
int bitsPerPixel(xcb_connection_t* c, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    return 0;
}

// Depth-24 pixels may carry anything in the top byte; RGB32 wants it opaque.
void copyOpaque(std::uint32_t* target, const std::uint32_t* source, int count) {
    int x = 0;
#ifdef __SSE2__
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; x + 4 <= count; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x), _mm_or_si128(pixels, alpha));
    }
#endif
    for (; x < count; ++x) target[x] = source[x] | 0xff000000u;
}

void copyPixels(QImage& image, const QPoint& at, const std::uint8_t* data, int width, int height, bool swap) {
    for (int y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * width * 4);
        auto* target = reinterpret_cast<std::uint32_t*>(image.scanLine(at.y() + y)) + at.x();
        if (swap) {
            for (int x = 0; x < width; ++x) target[x] = __builtin_bswap32(source[x]) | 0xff000000u;
        } else {
            copyOpaque(target, source, width);
        }
    }
}

// The part of an area that lies on the root, and how its pixels are laid out.
struct Source {
    QRect visible;
    bool swap = false;
};

// Throws kit::Error when the server can't be reached or its pixels can't be read.
Source locate(Connection& x, const QRect& area) {
    Reply<xcb_get_geometry_reply_t> root(xcb_get_geometry_reply(x.c, xcb_get_geometry(x.c, x.root), nullptr));
    if (!root) throw kit::Error(text(unreachable));
    Source source;
    source.visible = area.intersected(QRect(0, 0, root->width, root->height));
    source.swap = (xcb_get_setup(x.c)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST) !=
                  (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__);
    if (!source.visible.isEmpty() && bitsPerPixel(x.c, root->depth) != 32)
        throw kit::Error(text(unsupportedPixels));
    return source;
}

// The area's image, black where the root does not reach; null when memory runs out.
QImage blankImage(const QRect& area, const QRect& visible) {
    QImage image(area.size(), QImage::Format_RGB32);
    if (!image.isNull() && visible != area) image.fill(Qt::black);
    return image;
}

const char* const outOfMemory = QT_TRANSLATE_NOOP("XcbCaptureBackend", "There isn't enough memory for the screenshot.");

} // namespace

XcbCaptureBackend::XcbCaptureBackend() {
    releaseSegment_.setSingleShot(true);
    releaseSegment_.setInterval(2000);
    releaseSegment_.callOnTimeout([this] {
        if (connection_) connection_->segment = ShmSegment();
    });
}
XcbCaptureBackend::~XcbCaptureBackend() = default;

XcbCaptureBackend::Connection& XcbCaptureBackend::connection() {
    if (!connection_) connection_ = open();
    return *connection_;
}

std::vector<Monitor> XcbCaptureBackend::monitors() {
    Connection* x = nullptr;
    try {
        x = &connection();
    } catch (const kit::Error&) {
        return {};
    }
    std::vector<Monitor> result;
    if (x->randrMonitors) {
        Reply<xcb_randr_get_monitors_reply_t> reply(
            xcb_randr_get_monitors_reply(x->c, xcb_randr_get_monitors(x->c, x->root, 1), nullptr));
        if (reply) {
            for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                 xcb_randr_monitor_info_next(&it)) {
                const xcb_randr_monitor_info_t* m = it.data;
                if (m->width == 0 || m->height == 0) continue;
                result.push_back({m->name, QRect(m->x, m->y, m->width, m->height), m->primary != 0});
            }
        }
    }
    if (result.empty()) {
        Reply<xcb_get_geometry_reply_t> root(xcb_get_geometry_reply(x->c, xcb_get_geometry(x->c, x->root), nullptr));
        if (root) result.push_back({0, QRect(0, 0, root->width, root->height), true});
    }
    return result;
}

std::vector<ClientWindow> XcbCaptureBackend::clientWindows() {
    Connection& x = connection();
    const auto& atoms = x.atoms;
    std::vector<xcb_window_t> ids;
    if (auto list = propertyReply(x.c, property(x.c, x.root, atoms[netClientList], 65536))) {
        const auto values = words(list.get());
        ids.assign(values.begin(), values.end());
    } else {
        ids = mappedRootChildren(x);
    }

    struct Cookies {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t position;
        xcb_get_property_cookie_t type, state, extents, netName, name, wmClass, transient;
    };
    // Every request goes out before the first reply is read: one round trip for the lot.
    std::vector<Cookies> cookies;
    cookies.reserve(ids.size());
    for (xcb_window_t id : ids) {
        cookies.push_back({xcb_get_window_attributes(x.c, id),
                           xcb_get_geometry(x.c, id),
                           xcb_translate_coordinates(x.c, id, x.root, 0, 0),
                           property(x.c, id, atoms[netWmWindowType], 64),
                           property(x.c, id, atoms[netWmState], 64),
                           property(x.c, id, atoms[netFrameExtents], 4),
                           property(x.c, id, atoms[netWmName], 1024),
                           property(x.c, id, XCB_ATOM_WM_NAME, 1024),
                           property(x.c, id, XCB_ATOM_WM_CLASS, 256),
                           property(x.c, id, XCB_ATOM_WM_TRANSIENT_FOR, 1)});
    }

    std::vector<ClientWindow> result;
    result.reserve(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const Cookies& k = cookies[i];
        Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(x.c, k.attributes, nullptr));
        Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(x.c, k.geometry, nullptr));
        Reply<xcb_translate_coordinates_reply_t> position(xcb_translate_coordinates_reply(x.c, k.position, nullptr));
        auto type = propertyReply(x.c, k.type);
        auto state = propertyReply(x.c, k.state);
        auto extents = propertyReply(x.c, k.extents);
        auto netName = propertyReply(x.c, k.netName);
        auto name = propertyReply(x.c, k.name);
        auto wmClass = propertyReply(x.c, k.wmClass);
        auto transient = propertyReply(x.c, k.transient);
        // Gone while we asked.
        if (!attributes || !geometry || !position) continue;

        ClientWindow window;
        window.id = ids[i];
        window.geometry = QRect(position->dst_x, position->dst_y, geometry->width, geometry->height);
        window.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        for (std::uint32_t atom : words(type.get())) {
            WindowType t = WindowType::other;
            for (std::size_t n = 0; n < typesInAtomOrder.size(); ++n)
                if (atom == atoms[typeNormal + n]) t = typesInAtomOrder[n];
            window.types.push_back(t);
        }
        for (std::uint32_t atom : words(state.get()))
            if (atom == atoms[netWmStateHidden]) window.hidden = true;
        if (const auto e = words(extents.get()); e.size() == 4)
            window.extents = {static_cast<int>(e[0]), static_cast<int>(e[1]), static_cast<int>(e[2]),
                              static_cast<int>(e[3])};
        if (netName && netName->type == atoms[utf8String]) {
            window.title = bytes(netName.get());
        } else if (name) {
            const std::string raw = bytes(name.get());
            window.title = name->type == atoms[utf8String]
                               ? raw
                               : QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size())).toStdString();
        }
        if (wmClass) {
            const std::string raw = bytes(wmClass.get());
            const std::size_t split = raw.find('\0');
            const std::string instance = raw.substr(0, split);
            std::string className = split == std::string::npos ? std::string() : raw.substr(split + 1);
            if (const auto end = className.find('\0'); end != std::string::npos) className.resize(end);
            window.className = className.empty() ? instance : className;
        }
        window.transient = transient && !words(transient.get()).empty();
        result.push_back(std::move(window));
    }
    return result;
}

std::vector<std::uint32_t> XcbCaptureBackend::stackingBottomToTop() {
    Connection& x = connection();
    if (auto list = propertyReply(x.c, property(x.c, x.root, x.atoms[netClientListStacking], 65536)))
        return words(list.get());
    // Without a window manager the root's children are the windows, bottom-most first.
    if (!propertyReply(x.c, property(x.c, x.root, x.atoms[netClientList], 1))) return mappedRootChildren(x);
    return {};
}

std::optional<QPoint> XcbCaptureBackend::pointer() {
    Connection* x = nullptr;
    try {
        x = &connection();
    } catch (const kit::Error&) {
        return std::nullopt;
    }
    Reply<xcb_query_pointer_reply_t> reply(xcb_query_pointer_reply(x->c, xcb_query_pointer(x->c, x->root), nullptr));
    if (!reply || !reply->same_screen) return std::nullopt;
    return QPoint(reply->root_x, reply->root_y);
}

QCoro::Task<std::vector<QImage>> XcbCaptureBackend::grabAreas(std::vector<QRect> areas) {
    std::vector<QImage> images;
    for (const QRect& area : areas) {
        std::optional<QImage> shared = co_await grabShared(area);
        images.push_back(shared ? std::move(*shared) : grab(area));
    }
    co_return images;
}

QCoro::Task<std::optional<QImage>> XcbCaptureBackend::grabShared(QRect area) {
    connection();
    const std::shared_ptr<Connection> x = connection_;
    const Source source = locate(*x, area);
    if (!x->shm || source.visible.isEmpty()) co_return std::nullopt;
    const std::size_t bytes = static_cast<std::size_t>(source.visible.width()) * source.visible.height() * 4;
    // The segment is this grab's own until its pixels are copied; a grab meanwhile makes another.
    ShmSegment segment = std::move(x->segment);
    if (!segment || segment.size() < bytes) {
        segment = ShmSegment();  // the small one goes before a larger one is made
        segment = ShmSegment::attach(x->c, bytes);
    }
    if (!segment) co_return std::nullopt;
    // The server's copy of a large screen and ours into fresh memory take tens of milliseconds
    // each: a worker waits for both (xcb connections are thread-safe) while the event loop runs.
    struct Grabbed {
        bool written = false;
        QImage image;
    };
    Grabbed grabbed = co_await QtConcurrent::run([c = x->c, root = x->root, &segment, area, source] {
        Grabbed result;
        const QRect& visible = source.visible;
        Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, root, visible.x(), visible.y(), visible.width(), visible.height(), ~0u,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, segment.id(), 0),
            nullptr));
        if (!reply) return result;
        result.written = true;
        result.image = blankImage(area, visible);
        if (!result.image.isNull())
            copyPixels(result.image, visible.topLeft() - area.topLeft(), segment.data(), visible.width(),
                       visible.height(), source.swap);
        return result;
    });
    if (!grabbed.written) {
        // A server that takes the segment but cannot write it (another host): stop trying.
        x->shm = false;
        co_return std::nullopt;
    }
    if (!x->segment) x->segment = std::move(segment);
    releaseSegment_.start();
    if (grabbed.image.isNull()) throw kit::Error(text(outOfMemory));
    co_return std::move(grabbed.image);
}

QImage XcbCaptureBackend::grab(const QRect& area) {
    Connection& x = connection();
    const Source source = locate(x, area);
    const QRect& visible = source.visible;
    QImage image = blankImage(area, visible);
    if (image.isNull() && !area.isEmpty()) throw kit::Error(text(outOfMemory));
    if (visible.isEmpty()) return image;
    const QPoint at = visible.topLeft() - area.topLeft();
    // One request per band keeps each reply well below the request size limit.
    const int band = std::max(1, static_cast<int>((std::size_t{16} << 20) / (static_cast<std::size_t>(visible.width()) * 4)));
    for (int y = 0; y < visible.height(); y += band) {
        const int rows = std::min(band, visible.height() - y);
        Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            x.c,
            xcb_get_image(x.c, XCB_IMAGE_FORMAT_Z_PIXMAP, x.root, visible.x(), visible.y() + y, visible.width(), rows,
                          ~0u),
            nullptr));
        if (!reply) throw kit::Error(text(unreachable));
        if (static_cast<std::size_t>(xcb_get_image_data_length(reply.get())) <
            static_cast<std::size_t>(visible.width()) * rows * 4)
            throw kit::Error(text(unsupportedPixels));
        copyPixels(image, at + QPoint(0, y), xcb_get_image_data(reply.get()), visible.width(), rows, source.swap);
    }
    return image;
}

bool XcbCaptureBackend::isShowing(std::uint32_t window) {
    Connection& x = connection();
    xcb_window_t top = window;
    for (;;) {
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x.c, xcb_query_tree(x.c, top), nullptr));
        if (!tree) return false;
        if (tree->parent == x.root || tree->parent == XCB_NONE) break;
        top = tree->parent;
    }
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(x.c, xcb_get_window_attributes(x.c, top), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::unique_ptr<DamageWatch> XcbCaptureBackend::watchDamage() {
    Connection& x = connection();
    if (!x.damage) return nullptr;
    return std::make_unique<XcbDamageWatch>(x.c, x.root, x.damageEvent);
}

} // namespace platform::x11
