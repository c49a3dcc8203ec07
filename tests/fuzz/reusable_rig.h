#pragma once
// A rig kept from one fuzz input to the next. Building the whole program on fakes costs far
// more than an input's own work, so after each input the rig is put back as it was when built:
// every control that changed is set back (watched through its `updated` signal), the window
// state, the timers, the transport's receive threshold and the fakes' records are reset, and a
// link that closed is connected again as at the start. Then it is checked: if anything still
// differs from the rig as built (a control, a window, the link, a sequence still running), the
// rig is dropped and the next input gets a new one. An input therefore always starts from the
// state of a new rig, and a failure found reproduces when the input is run alone.
//
// ORV_FUZZ_FRESH=1 in the environment builds a new rig for every input instead;
// ORV_FUZZ_CHECK_RESET=1 compares the rig put back with a new one after every input (every
// control, the window state, the link and the fakes), to test this file itself;
// ORV_FUZZ_STATS=1 prints at exit how often the rig was put back and how often built anew.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/rig.h"

namespace orv::fuzz {

// Everything a control shows.
struct ControlState {
    bool enabled = false;
    bool visible = false;
    std::string accessible_name, description, tooltip;
    std::string text;  // text or caption
    bool read_only = false;
    bool password = false;
    int value = 0, lo = 0, hi = 0, step = 0;
    ui::Colour color = ui::Colour::White;
    int picture = 0;
    std::vector<std::string> items;
    bool operator==(const ControlState&) const = default;
};

inline ControlState state_of(ui::Control& c) {
    ControlState s;
    s.enabled = c.enabled();
    s.visible = c.visible();
    s.accessible_name = c.accessible_name();
    s.description = c.description();
    s.tooltip = c.tooltip();
    if (auto* t = dynamic_cast<ui::TextBox*>(&c)) {
        s.text = t->text();
        s.read_only = t->read_only();
        s.password = t->password();
    } else if (auto* b = dynamic_cast<ui::Button*>(&c)) {
        s.text = b->caption();
        s.picture = static_cast<int>(b->picture());
    } else if (auto* k = dynamic_cast<ui::CheckBox*>(&c)) {
        s.text = k->caption();
        s.value = k->value();
    } else if (auto* o = dynamic_cast<ui::ComboBox*>(&c)) {
        s.text = o->text();
        s.items = o->items();
    } else if (auto* l = dynamic_cast<ui::Label*>(&c)) {
        s.text = l->caption();
    } else if (auto* r = dynamic_cast<ui::ScrollBar*>(&c)) {
        s.value = r->value();
        s.lo = r->minimum();
        s.hi = r->maximum();
        s.step = r->small_change();
    } else if (auto* p = dynamic_cast<ui::Shape*>(&c)) {
        s.color = p->fill_color();
    } else if (auto* g = dynamic_cast<ui::ProgressBar*>(&c)) {
        s.value = g->value();
        s.lo = g->minimum();
        s.hi = g->maximum();
    } else if (auto* i = dynamic_cast<ui::ListBox*>(&c)) {
        s.items = i->items();
    }
    return s;
}

// Sets the control back; each setter raises its events only when the value really changes.
inline void restore(ui::Control& c, const ControlState& s) {
    if (auto* t = dynamic_cast<ui::TextBox*>(&c)) {
        t->set_text(s.text);
        t->set_read_only(s.read_only);
        t->set_password(s.password);
    } else if (auto* b = dynamic_cast<ui::Button*>(&c)) {
        b->set_caption(s.text);
        b->set_picture(static_cast<ui::Picture>(s.picture));
    } else if (auto* k = dynamic_cast<ui::CheckBox*>(&c)) {
        k->set_caption(s.text);
        k->set_value(s.value);
    } else if (auto* o = dynamic_cast<ui::ComboBox*>(&c)) {
        if (o->items() != s.items) {
            o->clear_items();
            for (const auto& item : s.items) o->add_item(item);
        }
        o->set_text(s.text);
    } else if (auto* l = dynamic_cast<ui::Label*>(&c)) {
        l->set_caption(s.text);
    } else if (auto* r = dynamic_cast<ui::ScrollBar*>(&c)) {
        if (r->minimum() != s.lo || r->maximum() != s.hi) r->set_range(s.lo, s.hi);
        r->set_value(s.value);
        r->set_small_change(s.step);
    } else if (auto* p = dynamic_cast<ui::Shape*>(&c)) {
        p->set_fill_color(s.color);
    } else if (auto* g = dynamic_cast<ui::ProgressBar*>(&c)) {
        if (g->minimum() != s.lo || g->maximum() != s.hi) g->set_range(s.lo, s.hi);
        g->set_value(s.value);
    } else if (auto* i = dynamic_cast<ui::ListBox*>(&c)) {
        if (i->items() != s.items) {
            i->clear_items();
            for (const auto& item : s.items) i->add_item(item);
        }
    }
    c.set_enabled(s.enabled);
    c.set_visible(s.visible);
    c.set_accessible_name(s.accessible_name);
    c.set_description(s.description);
    c.set_tooltip(s.tooltip);
}

// Every control of the three windows.
template <class R>
std::vector<ui::Control*> every_control(R& r) {
    std::vector<ui::Control*> all = r.main.all_controls();
    for (auto* c : r.settings.all_controls()) all.push_back(c);
    for (auto* c : r.program.firmware.all_controls()) all.push_back(c);
    return all;
}

inline void set_window(ui::Window& w, bool visible) {
    if (visible)
        w.show();
    else
        w.hide();
}

// R is orv::fake::Rig or a type derived from it.
template <class R>
class Reusable {
public:
    // `make` builds a started rig; `link` connects it (empty: the rig stays unconnected).
    Reusable(std::function<std::unique_ptr<R>()> make, std::function<void(R&)> link)
        : make_(std::move(make)), link_(std::move(link)) {
        fresh_ = env_on("ORV_FUZZ_FRESH");
        check_ = env_on("ORV_FUZZ_CHECK_RESET");
        stats_ = env_on("ORV_FUZZ_STATS");
    }
    ~Reusable() {
        if (stats_)
            std::fprintf(stderr, "reusable rig: put back %llu times, built anew %llu times\n",
                         static_cast<unsigned long long>(reused_),
                         static_cast<unsigned long long>(rebuilt_));
        if (stats_)
            for (const auto& [why, n] : dropped_)
                std::fprintf(stderr, "  built anew because %s: %llu\n", why.c_str(),
                             static_cast<unsigned long long>(n));
    }
    Reusable(const Reusable&) = delete;
    Reusable& operator=(const Reusable&) = delete;

    // The rig, as built, for the next input.
    R& get() {
        if (!rig_) build();
        return *rig_;
    }

    // After an input: puts the rig back, or drops it when that cannot be shown.
    void done() {
        if (!rig_) return;
        if (fresh_ || !put_back()) {
            rig_.reset();
            ++rebuilt_;
        } else {
            ++reused_;
            if (check_) compare_with_new();
        }
    }

    std::uint64_t reused() const { return reused_; }
    std::uint64_t rebuilt() const { return rebuilt_; }

private:
    static bool env_on(const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && std::string(v) == "1";
    }

    // Everything observable of a rig, as text, for the reset check.
    std::string describe(R& r) {
        std::string out;
        const auto add = [&out](const std::string& name, const std::string& value) {
            out += name + "=" + value + "\n";
        };
        const std::vector<ui::Control*> all = every_control(r);
        auto& f = r.program.firmware;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const ControlState c = state_of(*all[i]);
            std::string v =
                std::to_string(c.enabled) + std::to_string(c.visible) + "|" + c.accessible_name +
                "|" + c.description + "|" + c.tooltip + "|" + c.text + "|" +
                std::to_string(c.read_only) + std::to_string(c.password) + "|" +
                std::to_string(c.value) + "," + std::to_string(c.lo) + "," + std::to_string(c.hi) +
                "," + std::to_string(c.step) + "," + std::to_string(static_cast<int>(c.color)) +
                "," + std::to_string(c.picture);
            for (const auto& item : c.items) v += "|" + item;
            add(std::to_string(i) + ":" + all[i]->name(), v);
        }
        add("windows", std::to_string(r.main.visible()) + std::to_string(r.settings.visible()) +
                           std::to_string(f.visible()));
        add("checksum", std::to_string(f.checksum) + "," + std::to_string(f.file_size));
        const MainState& m = r.main.state;
        std::string list;
        for (const auto& e : m.search_com_list) list += e + ",";
        add("state", m.instring + "|" + std::to_string(m.bootmode) + std::to_string(m.button_flag) +
                         std::to_string(m.do_code) + std::to_string(m.do_firmware) +
                         std::to_string(m.do_orvantis) + std::to_string(m.ack_rx) + "|" +
                         std::to_string(m.ver) + "|" + m.device_type + "|" +
                         std::to_string(m.search_com_mode) + "|" +
                         std::to_string(m.search_com_total) + "," +
                         std::to_string(m.search_com_count) + "|" + list + "|" +
                         std::to_string(m.focus_goto1) + std::to_string(m.focus_goto2) + "|" +
                         std::to_string(m.focus_constant));
        auto& t = r.program.transport;
        add("transport", t.line_settings() + "|" + std::to_string(t.port_number()) + "|" +
                             std::to_string(t.threshold()) + "|" +
                             std::to_string(t.serial_owned()) + std::to_string(t.serial_open()) +
                             std::to_string(static_cast<int>(t.socket_state())));
        std::string active;
        for (auto* tm : timers(r)) active += std::to_string(tm->active());
        add("timers", active);
        add("running", std::to_string(r.program.settings_write.running()) +
                           std::to_string(r.program.programmer.running()) +
                           std::to_string(r.program.finished()));
        add("serial", r.serial.written + "|" + r.serial.waiting + "|" + r.serial.opened_path + "|" +
                          std::to_string(r.serial.opened_line.baud) + "|" +
                          std::to_string(r.serial.open_count) + "|" +
                          std::to_string(r.serial.writes.size()));
        add("socket", r.socket.sent + "|" + r.socket.waiting + "|" + r.socket.host + "|" +
                          std::to_string(r.socket.port) + "|" + std::to_string(r.socket.connects));
        add("dialogs", std::to_string(r.dialogs.shown.size()));
        std::string store;
        for (const auto& [k, v] : r.store.committed)
            store += std::get<0>(k) + "/" + std::get<1>(k) + "/" + std::get<2>(k) + "=" + v + ";";
        add("store", store + "|" + std::to_string(r.store.pending.size()) + "|" +
                         std::to_string(r.store.commits));
        add("sound", std::to_string(r.sound.log.size()));
        add("ports", r.settings.open_ipaddr + "|" + r.settings.open_ipport);
        return out;
    }

    void compare_with_new() {
        auto other = make_();
        if (link_) link_(*other);
        clear_records(*other);
        const std::string kept = describe(*rig_);
        const std::string fresh = describe(*other);
        if (kept == fresh) return;
        std::size_t a = 0;
        while (a < kept.size() && a < fresh.size() && kept[a] == fresh[a]) ++a;
        const std::size_t line = kept.rfind('\n', a == 0 ? 0 : a - 1);
        const std::size_t from = line == std::string::npos ? 0 : line + 1;
        std::fprintf(stderr,
                     "reusable rig: put back differs from a new rig\n  kept: %s\n  new:  %s\n",
                     kept.substr(from, kept.find('\n', from) - from).c_str(),
                     fresh.substr(from, fresh.find('\n', from) - from).c_str());
        std::abort();
    }

    struct Link {
        bool serial_open;
        platform::SocketState socket;
        std::string caption;
        std::string line_settings;
        int port_number;
        bool operator==(const Link&) const = default;
    };

    Link link_of(R& r) const {
        return {r.serial.is_open(), r.socket.state(), r.main.connect_button.caption(),
                r.program.transport.line_settings(), r.program.transport.port_number()};
    }

    std::vector<platform::Timer*> timers(R& r) const {
        auto& p = r.program;
        return {p.sequencer_timer.get(), p.identify_timer.get(), p.focus_timer.get(),
                p.connect_timer.get(),   p.read_timer.get(),     p.write_timer.get(),
                p.program_timer.get()};
    }

    static void clear_records(R& r) {
        r.serial.written.clear();
        r.serial.writes.clear();
        r.serial.waiting.clear();
        r.serial.box = nullptr;
        r.socket.sent.clear();
        r.socket.waiting.clear();
        r.socket.box = nullptr;
        r.dialogs.shown.clear();
        r.dialogs.answers.clear();
        r.dialogs.inputs.clear();
        r.dialogs.files.clear();
        r.dialogs.during = nullptr;
        r.store.pending.clear();
        r.store.fail_commit = false;
        r.sound.log.clear();
    }

    void build() {
        rig_ = make_();
        R& r = *rig_;
        before_link_state_ = r.main.state;
        before_link_threshold_ = r.program.transport.threshold();
        if (link_) link_(r);
        clear_records(r);
        for (auto* t : timers(r))
            if (t->active()) std::abort();  // a rig as built runs no timer
        controls_ = every_control(r);
        baseline_.clear();
        for (ui::Control* c : controls_) baseline_.push_back(state_of(*c));
        touched_.assign(controls_.size(), 0);
        dirty_.clear();
        for (std::size_t i = 0; i < controls_.size(); ++i)
            controls_[i]->updated.connect([this, i] {
                if (touched_[i] == 0) {
                    touched_[i] = 1;
                    dirty_.push_back(i);
                }
            });
        windows_ = {r.main.visible(), r.settings.visible(), r.program.firmware.visible()};
        firmware_checksum_ = r.program.firmware.checksum;
        firmware_file_size_ = r.program.firmware.file_size;
        state_ = r.main.state;
        threshold_ = r.program.transport.threshold();
        link_state_ = link_of(r);
        committed_ = r.store.committed;
        commits_ = r.store.commits;
        open_count_ = r.serial.open_count;
        opened_path_ = r.serial.opened_path;
        opened_line_ = r.serial.opened_line;
        connects_ = r.socket.connects;
        host_ = r.socket.host;
        port_ = r.socket.port;
        open_ipaddr_ = r.settings.open_ipaddr;
        open_ipport_ = r.settings.open_ipport;
    }

    bool drop(const char* why) {
        ++dropped_[why];
        return false;
    }

    bool put_back() {
        R& r = *rig_;
        auto& p = r.program;
        if (p.finished() || p.settings_write.running() || p.programmer.running() ||
            p.transport.serial_owned())
            return drop("a program sequence still running");
        for (auto* t : timers(r)) t->stop();

        if (!(link_of(r) == link_state_)) {
            // Back to unconnected, then connected again the way the rig was built.
            if (r.main.connect_button.caption() == "DISCONNECT") r.main.connect_button.click();
            p.transport.close_socket();
            p.transport.close_serial();
            r.main.state = before_link_state_;
            p.transport.set_threshold(before_link_threshold_);
            clear_records(r);  // bytes a fake port holds while closed would lead the reply
            if (link_) link_(r);
            for (auto* t : timers(r)) t->stop();
            if (!(link_of(r) == link_state_)) return drop("the link could not be made again");
        }

        // The controls, until setting them back changes nothing more.
        std::vector<std::size_t> seen;
        for (int round = 0; round < 4 && !dirty_.empty(); ++round) {
            const std::vector<std::size_t> now = std::exchange(dirty_, {});
            for (const std::size_t i : now) touched_[i] = 0;
            for (const std::size_t i : now) {
                seen.push_back(i);
                restore(*controls_[i], baseline_[i]);
            }
        }
        if (!dirty_.empty()) return drop("controls kept changing");
        set_window(r.main, windows_[0]);
        set_window(r.settings, windows_[1]);
        set_window(p.firmware, windows_[2]);
        p.firmware.checksum = firmware_checksum_;
        p.firmware.file_size = firmware_file_size_;

        r.main.state = state_;
        p.transport.set_threshold(threshold_);
        for (auto* t : timers(r)) t->stop();

        clear_records(r);
        r.serial.open_count = open_count_;
        r.serial.opened_path = opened_path_;
        r.serial.opened_line = opened_line_;
        r.socket.connects = connects_;
        r.socket.host = host_;
        r.socket.port = port_;
        r.store.committed = committed_;
        r.store.commits = commits_;
        r.settings.open_ipaddr = open_ipaddr_;
        r.settings.open_ipport = open_ipport_;

        // The check: the rig is as built.
        for (const std::size_t i : seen)
            if (!(state_of(*controls_[i]) == baseline_[i])) return drop("a control differs");
        if (!dirty_.empty()) return drop("controls changed after the windows");
        const std::array<bool, 3> windows = {r.main.visible(), r.settings.visible(),
                                             p.firmware.visible()};
        if (windows != windows_) return drop("a window differs");
        if (!(link_of(r) == link_state_)) return drop("the link differs");
        return true;
    }

    std::function<std::unique_ptr<R>()> make_;
    std::function<void(R&)> link_;
    bool fresh_ = false;
    bool check_ = false;
    bool stats_ = false;
    std::map<std::string, std::uint64_t> dropped_;
    std::unique_ptr<R> rig_;
    std::uint64_t reused_ = 0;
    std::uint64_t rebuilt_ = 0;

    MainState before_link_state_;
    int before_link_threshold_ = 0;
    std::vector<ui::Control*> controls_;
    std::vector<ControlState> baseline_;
    std::vector<char> touched_;
    std::vector<std::size_t> dirty_;
    std::array<bool, 3> windows_{};
    std::int64_t firmware_checksum_ = 0;
    std::size_t firmware_file_size_ = 0;
    MainState state_;
    int threshold_ = 0;
    Link link_state_;
    std::map<fake::SettingsStore::Key, std::string> committed_;
    int commits_ = 0;
    int open_count_ = 0;
    std::string opened_path_;
    platform::LineSettings opened_line_;
    int connects_ = 0;
    std::string host_;
    std::uint16_t port_ = 0;
    std::string open_ipaddr_;
    std::string open_ipport_;
};

}  // namespace orv::fuzz
