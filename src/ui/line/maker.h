// The maker's contact lines, in one place: the About window shows them, the
// online help and the About window's links open the software page, and the
// editor greeting ends with the blog address.
//
// The web site lives under a domain reserved for examples; whoever ships the
// program sets the real addresses here and nowhere else.
#pragma once

namespace korvane::ui::maker {

// The software page: online help and every link of the About window. The
// About window shows it without its scheme in a label 200 pixels wide.
inline constexpr char16_t kSoftwarePage[] = u"https://korvane.example.org/soft";

// The blog: named at the end of the editor greeting.
inline constexpr char16_t kBlog[] = u"https://korvane.example.org/blog";

// The e-mail address shown after "邮箱：" in the About window. The label is
// 120 pixels wide with room for about ten more characters: keep it short.
inline constexpr char16_t kEmail[] = u"kv@kv.test";

// The instant-messaging line shown in the About window.
inline constexpr char16_t kMessaging[] = u"QQ：10000";

// The copyright line shown in the About window: the year, the holders and
// the licence (LICENSE) in the 167-pixel label.
inline constexpr char16_t kCopyright[] = u"© 2026 Korvane 开发组 · MIT 许可";

}  // namespace korvane::ui::maker
