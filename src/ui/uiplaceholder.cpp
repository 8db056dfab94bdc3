// The widget layer grows here and in the ui/ folders of each subsystem.
namespace qelui {
int version()
{
    return 1;
}
} // namespace qelui
