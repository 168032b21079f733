// The package's policy tool. The installer starts it with each Java runtime's own java.exe, from the
// package's sun folder, with one argument: ".java.policy" or ".opencard.properties". It copies the
// package's "java.policy" or "opencard.properties" to that name in the user's home directory and
// keeps the user's own file, once, as "<name>.ocf-bak". Exit code 0 only when the copy was made.

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;

public final class CopyPolicyFile {
    static final String BACKUP_SUFFIX = ".ocf-bak";

    public static void main(String[] args) {
        System.exit(run(args));
    }

    static int run(String[] args) {
        if (args.length != 1) {
            return fail(2, "usage: java CopyPolicyFile .java.policy | .opencard.properties");
        }
        String target = args[0];
        String source;
        if (".java.policy".equals(target)) {
            source = "java.policy";
        } else if (".opencard.properties".equals(target)) {
            source = "opencard.properties";
        } else {
            return fail(2, "CopyPolicyFile: unknown file \"" + target + "\"; expected .java.policy or .opencard.properties");
        }

        Path sourcePath = Paths.get(System.getProperty("user.dir"), source);
        if (!Files.isRegularFile(sourcePath)) {
            return fail(1, "CopyPolicyFile: the package file " + sourcePath + " is missing");
        }
        String home = System.getProperty("user.home");
        if (home == null || home.isEmpty() || !Files.isDirectory(Paths.get(home))) {
            return fail(1, "CopyPolicyFile: the home directory \"" + home + "\" does not exist");
        }
        Path destination = Paths.get(home, target);
        Path backup = Paths.get(home, target + BACKUP_SUFFIX);
        if (Files.isDirectory(destination, LinkOption.NOFOLLOW_LINKS)) {
            return fail(1, "CopyPolicyFile: " + destination + " is a directory");
        }
        try {
            // Only the first backup is the user's own file; later runs would save ours over it.
            if (Files.exists(destination, LinkOption.NOFOLLOW_LINKS)
                    && !Files.exists(backup, LinkOption.NOFOLLOW_LINKS)) {
                Files.copy(destination, backup, StandardCopyOption.COPY_ATTRIBUTES);
            }
            Files.copy(sourcePath, destination, StandardCopyOption.REPLACE_EXISTING);
        } catch (IOException e) {
            return fail(1, "CopyPolicyFile: copying " + sourcePath + " to " + destination + " failed: " + e);
        }
        return 0;
    }

    private static int fail(int code, String message) {
        System.err.println(message);
        return code;
    }
}
