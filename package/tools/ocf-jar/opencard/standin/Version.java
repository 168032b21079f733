// Stand-in for the OCF 1.2 jar of the installer package: it lets the installer's copies be exercised
// end to end and says what it is when run. It provides no card services.
package opencard.standin;

public final class Version {
    public static final String TEXT = "OCF 1.2 stand-in of the installer package (no card services)";

    public static void main(String[] args) {
        System.out.println(TEXT);
    }
}
