// Netscape User Preferences
// This is a generated file!
#comment
user_pref("mail.directory", "/home/me/nsmail");
sticky_pref("b", false, locked);
pref("n", -42);
